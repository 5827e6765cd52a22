#pragma once
// The simulator's event loop: bytes from the program go to the tav model with the line
// settings in force when they are read; the tav's replies go back at their instants.
// Signals unplug the tav and plug in a new one while the pty stays. One thread, blocking
// in ppoll(); no busy loop.

#include <chrono>
#include <map>
#include <memory>

#include "sim/TavDevice.h"
#include "sim/tools/PtyLink.h"
#include "sim/tools/SlaveOpenWatch.h"
#include "sim/tools/TavsimOptions.h"

namespace vantrel::sim {

// Blocks SIGTERM, SIGINT and SIGHUP (the end) and SIGUSR1 and SIGUSR2 (unplug, plug in)
// for the process and receives them through a signalfd, so that the loop takes them in
// turn with the bytes, instead of in a handler.
class SimulatorSignals {
public:
    SimulatorSignals();  // throws std::system_error
    ~SimulatorSignals();
    SimulatorSignals(const SimulatorSignals&) = delete;
    SimulatorSignals& operator=(const SimulatorSignals&) = delete;
    int Fd() const { return fd_; }
    int Take() const;  // the next waiting signal, 0 when none

private:
    int fd_ = -1;
};

enum class StopReason { Signal, ProgramLeft };

class TavsimRunner {
public:
    // Starts watching the slave for the program's opens: construct it before the
    // slave's path is made known, or an early open goes unseen.
    // The tav is plugged in from the start unless options.startUnplugged.
    TavsimRunner(const PtyLink& link, const TavsimOptions& options);

    // Runs until a termination signal arrives or, with exitWhenClosed, the program has
    // left the port closed for the grace period. Throws std::system_error when the pty
    // fails.
    StopReason Run(const SimulatorSignals& signals);

    // Unplugs the tav, if one is in, writing its own report (FILE.N). Returns false when
    // a report could not be written (said on stderr).
    bool Unplug();
    // The tav plugged in now or last, and its number (0: none was ever plugged in).
    const TavDevice& LastTav() const { return *tav_; }
    int Plugging() const { return plugging_; }

private:
    vantrel::Instant Now() const;
    void PlugIn();
    void ReadFromProgram();
    void SendDueReplies();

    const PtyLink& link_;
    const TavsimOptions& options_;
    std::unique_ptr<TavDevice> tav_;
    bool pluggedIn_ = false;
    int plugging_ = 0;
    SlaveOpenWatch watch_;
    std::chrono::steady_clock::time_point epoch_;
    std::multimap<vantrel::Instant, std::uint8_t> pending_;  // reply bytes by due instant
    bool reportedDrop_ = false;
};

}  // namespace vantrel::sim
