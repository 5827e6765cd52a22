#pragma once
// What every task of a bench slot shares: the job (the loaded image and what it is for),
// the events a slot tells as it goes, and the control that stops it from another thread.

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
#include "station/SlotStatus.h"
#include "station/TavOutcome.h"

namespace vantrel {

struct SlotJob {
    std::shared_ptr<const std::vector<FirmwareRecord>> image;  // the first loaded first
    std::uint8_t targetReply = 0;
    float fileVersion = 0;  // a tav with this code version or newer is up to date
    std::vector<TypeRow> types;
    bool reprogramUpToDate = false;  // program up-to-date tavs too (once per connection)
    std::optional<LoadedFile> file;  // for the record of each run
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

}  // namespace vantrel
