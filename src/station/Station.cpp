#include "station/Station.h"

#include <exception>
#include <string>
#include <utility>

#include "serial/EventPump.h"
#include "serial/Link.h"

namespace vantrel {

struct Station::Slot : SlotEvents {
    Slot(Station& station, int comPort, WatchTimes times)
        : station(station), comPort(comPort), watch(comPort, station.job_, times, control, *this) {}

    void Changed(const SlotStatus& status) override { station.Changed(status); }
    void TavEnded(const TavResult& result) override {
        if (result.outcome == TavOutcome::Stopped) station.stoppedTransfer_ = true;
        station.observer_.TavEnded(result);
    }
    RunRecorder* RecorderFor(int port) override { return station.observer_.RecorderFor(port); }

    Station& station;
    const int comPort;
    SlotControl control;
    WatchSlot watch;
    std::unique_ptr<PortThread> thread;
};

Station::Station(StartPortThread startPortThread, StationObserver& observer, EventPump* wakeOnChange)
    : start_(std::move(startPortThread)), observer_(observer), wake_(wakeOnChange) {
    for (int i = 0; i < kSlots; ++i) statuses_[static_cast<std::size_t>(i)].comPort = i + 1;
}

Station::~Station() {
    Stop();
    slots_.clear();  // joins
}

void Station::Watch(const WatchJob& job, const std::vector<int>& comPorts, WatchTimes times) {
    Wait();
    slots_.clear();
    job_ = job;
    stoppedTransfer_ = false;
    {
        std::lock_guard lock(mutex_);
        running_ = static_cast<int>(comPorts.size());
        for (auto& status : statuses_) status.armed = false;
    }
    for (const int comPort : comPorts) {
        auto slot = std::make_unique<Slot>(*this, comPort, times);
        Slot* s = slot.get();
        slots_.push_back(std::move(slot));
        s->thread = start_(
            [this, s](SerialPort& port, EventPump& pump) {
                try {
                    AbandonablePump waits(pump, s->control.Waits());
                    Link link(port, waits);
                    s->watch.Run(link);
                } catch (const std::exception& e) {
                    // Nothing may leave a port thread; the platform failed under the slot.
                    SlotStatus status = s->watch.Status();
                    status.state = SlotState::Failed;
                    status.reason = std::string("the serial platform failed: ") + e.what();
                    Changed(status);
                }
                Ended(s->comPort);
            },
            [this, s](const char*) {
                SlotStatus status = s->watch.Status();
                status.state = SlotState::NoPort;
                Changed(status);
                Ended(s->comPort);
            });
    }
}

void Station::Stop() {
    for (const auto& slot : slots_) slot->control.RequestStop();
}

void Station::Abandon() {
    for (const auto& slot : slots_) {
        slot->control.RequestStop();
        slot->control.Abandon();
    }
}

bool Station::Watching() const {
    std::lock_guard lock(mutex_);
    return running_ > 0;
}

void Station::Wait() {
    {
        std::unique_lock lock(mutex_);
        ended_.wait(lock, [this] { return running_ == 0; });
    }
    for (const auto& slot : slots_) slot->thread.reset();  // joins
}

std::array<SlotStatus, kSlots> Station::Statuses() const {
    std::lock_guard lock(mutex_);
    return statuses_;
}

SlotCounts Station::Total() const {
    std::lock_guard lock(mutex_);
    SlotCounts total;
    for (const SlotStatus& status : statuses_) total += status.counts;
    return total;
}

void Station::Changed(const SlotStatus& status) {
    {
        std::lock_guard lock(mutex_);
        statuses_.at(static_cast<std::size_t>(status.comPort - 1)) = status;
    }
    observer_.SlotChanged(status);
    if (wake_) wake_->Wake();
}

void Station::Ended(int) {
    {
        std::lock_guard lock(mutex_);
        --running_;
    }
    ended_.notify_all();
    if (wake_) wake_->Wake();
}

}  // namespace vantrel
