#pragma once
// The simulator's event loop: bytes from the program go to the tav model with the line
// settings in force when they are read; the tav's replies go back at their instants.
// One thread, blocking in ppoll(); no busy loop.

#include <chrono>
#include <map>

#include "sim/TavDevice.h"
#include "sim/tools/PtyLink.h"
#include "sim/tools/SlaveOpenWatch.h"
#include "sim/tools/TavsimOptions.h"

namespace vantrel::sim {

// Blocks SIGTERM, SIGINT and SIGHUP for the process and receives them through a
// signalfd, so that they end the loop in an orderly way instead of in a handler.
class TerminationSignals {
public:
    TerminationSignals();  // throws std::system_error
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;
    int Fd() const { return fd_; }

private:
    int fd_ = -1;
};

enum class StopReason { Signal, ProgramLeft };

class TavsimRunner {
public:
    // Starts watching the slave for the program's opens: construct it before the
    // slave's path is made known, or an early open goes unseen.
    TavsimRunner(const PtyLink& link, TavDevice& tav, const TavsimOptions& options);

    // Runs until a termination signal arrives or, with exitWhenClosed, the program has
    // left the port closed for the grace period. Throws std::system_error when the pty
    // fails.
    StopReason Run(const TerminationSignals& signals);

private:
    vantrel::Instant Now() const;
    void ReadFromProgram();
    void SendDueReplies();

    const PtyLink& link_;
    TavDevice& tav_;
    const TavsimOptions& options_;
    SlaveOpenWatch watch_;
    std::chrono::steady_clock::time_point epoch_;
    std::multimap<vantrel::Instant, std::uint8_t> pending_;  // reply bytes by due instant
    bool reportedDrop_ = false;
};

}  // namespace vantrel::sim
