#pragma once
// One armed bench slot in watch mode, on its own link: probe (restart off) until a tav
// answers; program a tav of the file's type whose code is older, exactly as a single run
// programs it; leave every other tav alone; then wait until the tav has been taken away
// before looking at the port again, so that no tav is programmed twice in one connection.
// A missing or busy port is looked at again every few seconds.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "firmware/FirmwareImage.h"
#include "firmware/LoadedFile.h"
#include "programming/RunRecorder.h"
#include "registry/RegisterTav.h"
#include "serial/AbandonablePump.h"
#include "discovery/SearchPorts.h"
#include "station/SlotStatus.h"
#include "station/TavOutcome.h"

namespace vantrel {

class Link;

struct WatchJob {
    std::shared_ptr<const std::vector<FirmwareRecord>> image;  // the first loaded first
    std::uint8_t targetReply = 0;
    float fileVersion = 0;  // a tav with this code version or newer is up to date
    std::vector<TypeRow> types;
    bool reprogramUpToDate = false;  // program up-to-date tavs too (once per connection)
    std::optional<LoadedFile> file;  // for the record of each run
};

struct WatchTimes {
    int portRetryMs = 3000;   // a missing or busy port is looked at again after this
    int presentPauseMs = 1000;  // between probes while a tav that was dealt with is still there
};

// Told as the slot goes, on the slot's thread.
class SlotEvents {
public:
    virtual ~SlotEvents() = default;
    virtual void Changed(const SlotStatus& status) = 0;
    // One tav's programming has ended (its run recorded, its port closed).
    virtual void TavEnded(const TavResult& /*result*/) {}
    // The record for the run about to start on COMn; none: no record is kept.
    virtual RunRecorder* RecorderFor(int /*comPort*/) { return nullptr; }
};

// Stopping a slot from another thread: a transfer under way stops at its next record
// boundary and its tav is restarted; a probe or a pause ends at once.
class SlotControl {
public:
    void RequestStop();
    // Ends everything at once, a transfer too: its tav is left as it is.
    void Abandon() { abandonment_.Abandon(); }
    bool StopRequested() const;
    Abandonment& Waits() { return abandonment_; }

    // The slot's side: false when a stop has been asked for.
    bool BeginTransfer();
    void EndTransfer();

private:
    mutable std::mutex mutex_;
    bool stop_ = false;
    bool transferring_ = false;
    Abandonment abandonment_;
};

class WatchSlot {
public:
    WatchSlot(int comPort, const WatchJob& job, WatchTimes times, SlotControl& control, SlotEvents& events);

    // Runs the cycle until a stop is asked for. The link's pump must be an AbandonablePump
    // on the control's Waits(). The port is closed when it returns.
    void Run(Link& link);

    const SlotStatus& Status() const { return status_; }

private:
    void Step(Link& link);
    void PortUnavailable(const PortFinding& finding);
    void TavGoneOrStill(const PortFinding& finding, Link& link);
    void TavFound(const PortFinding& finding, Link& link);
    void Program(const PortFinding& finding, Link& link);
    void Show(SlotState state);

    const int comPort_;
    const WatchJob& job_;
    const WatchTimes times_;
    SlotControl& control_;
    SlotEvents& events_;
    SearchRequest probe_;  // this port alone, restart off
    SlotStatus status_;
    bool told_ = false;  // a first state has been told
    bool awaitingRemoval_ = false;
    int emptyProbes_ = 0;
};

}  // namespace vantrel
