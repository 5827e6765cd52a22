#pragma once
// The bench: COM1..COM4 as four slots, each armed or not. Watching runs every armed slot's
// cycle (WatchSlot) at the same time, each on a port thread of its own with its own port,
// pump and link. Views read the slots' statuses and counts from here and hold none of
// this logic: the console's watch command and the bench windows alike.

#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

#include "serial/PortThread.h"
#include "station/SlotStatus.h"
#include "station/WatchSlot.h"

namespace vantrel {

class EventPump;

inline constexpr int kSlots = 4;

// Told from the slots' threads, several at a time: an observer takes care of that.
class StationObserver {
public:
    virtual ~StationObserver() = default;
    virtual void SlotChanged(const SlotStatus& /*status*/) {}
    virtual void TavEnded(const TavResult& /*result*/) {}
    // The record for the run about to start on COMn; none: no record is kept.
    virtual RunRecorder* RecorderFor(int /*comPort*/) { return nullptr; }
};

class Station {
public:
    // `wakeOnChange`: a pump woken after every change, for a view that waits in it.
    Station(StartPortThread startPortThread, StationObserver& observer, EventPump* wakeOnChange = nullptr);
    // Stops whatever runs (transfers at their record boundary) and joins every thread.
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    // Starts watching the given COM ports with this job; not while watching.
    void Watch(const WatchJob& job, const std::vector<int>& comPorts, WatchTimes times = {});
    // Every transfer under way stops at its next record boundary and its tav is restarted;
    // every other slot ends at once. From any thread.
    void Stop();
    // Everything ends at once, transfers too: their tavs are left as they are.
    void Abandon();
    // Some slot's thread still runs.
    bool Watching() const;
    // Blocks until every slot has ended, then joins their threads.
    void Wait();

    std::array<SlotStatus, kSlots> Statuses() const;
    SlotCounts Total() const;
    // A transfer had to be stopped (Stop came while one ran).
    bool StoppedATransfer() const { return stoppedTransfer_; }

private:
    struct Slot;
    void Changed(const SlotStatus& status);
    void Ended(int comPort);

    StartPortThread start_;
    StationObserver& observer_;
    EventPump* wake_;
    WatchJob job_;
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::array<SlotStatus, kSlots> statuses_{};
    int running_ = 0;
    std::atomic<bool> stoppedTransfer_{false};
    std::vector<std::unique_ptr<Slot>> slots_;
};

}  // namespace vantrel
