#pragma once
// The bench: COM1..COM4 as four slots. Whatever the bench does runs on every slot it is
// asked for at the same time, each on a port thread of its own with its own port, pump and
// link: watching (WatchSlot's cycle), one search of the ports, or one programming of the
// tavs on them. Views read the slots' statuses and counts from here and hold none of this
// logic: the console's watch command and the bench windows alike.

#include <array>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "discovery/PortFinding.h"
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
    // A slot's thread has ended its work (Running() turns false with the last): a view that
    // moves on when everything has ended hears it here.
    virtual void SlotEnded() {}
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

    // Each starts on the given COM ports once whatever ran before has ended (it waits).
    // Watching: until stopped.
    void Watch(const SlotJob& job, const std::vector<int>& comPorts, WatchTimes times = {});
    // Each port searched once, restart off: "Searching", then what it holds; a tav the job
    // would program stays "Searching". Its finding is in Findings() once ended.
    void Search(const SlotJob& job, const std::vector<int>& comPorts);
    // The tav on each port programmed as a single run programs it. `emergency`: the tavs
    // were not found by a probe (a tav that failed earlier answers none).
    void Program(const SlotJob& job, const std::vector<int>& comPorts, bool emergency);

    // Every transfer under way stops at its next record boundary and its tav is restarted;
    // every other slot ends at once. From any thread.
    void Stop();
    // Everything ends at once, transfers too: their tavs are left as they are.
    void Abandon();
    // Some slot's thread still runs.
    bool Running() const;
    // Blocks until every slot has ended, then joins their threads.
    void Wait();

    // The tav found on COMn (by the last search) has been left alone: counted so.
    void LeftAlone(int comPort);

    std::array<SlotStatus, kSlots> Statuses() const;
    SlotCounts Total() const;
    // The last search's findings; none for a port it did not search.
    std::array<std::optional<PortFinding>, kSlots> Findings() const;
    // A transfer had to be stopped (Stop came while one ran).
    bool StoppedATransfer() const { return stoppedTransfer_; }

private:
    struct Slot;
    using Task = std::function<void(Slot& slot, Link& link)>;
    void Start(const SlotJob& job, const std::vector<int>& comPorts, const Task& task);
    void SearchTask(Slot& slot, Link& link);
    void ProgramTask(Slot& slot, Link& link, bool emergency);
    void Changed(const SlotStatus& status);
    void Ended();
    static std::size_t Index(int comPort) { return static_cast<std::size_t>(comPort - 1); }

    StartPortThread start_;
    StationObserver& observer_;
    EventPump* wake_;
    SlotJob job_;
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    std::array<SlotStatus, kSlots> statuses_{};
    std::array<std::optional<PortFinding>, kSlots> findings_{};
    int running_ = 0;
    std::atomic<bool> stoppedTransfer_{false};
    std::vector<std::unique_ptr<Slot>> slots_;
};

}  // namespace vantrel
