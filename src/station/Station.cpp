#include "station/Station.h"

#include <exception>
#include <string>
#include <utility>

#include "serial/EventPump.h"
#include "serial/Link.h"
#include "serial/PortSteps.h"
#include "station/SlotTasks.h"

namespace vantrel {

struct Station::Slot : SlotEvents {
    Slot(Station& station, const SlotStatus& from) : station(station), status(from) {}

    void Changed(const SlotStatus& now) override {
        status = now;
        station.Changed(now);
    }
    void TavEnded(const TavResult& result) override {
        if (result.outcome == TavOutcome::Stopped) station.stoppedTransfer_ = true;
        station.observer_.TavEnded(result);
    }
    RunRecorder* RecorderFor(int port) override { return station.observer_.RecorderFor(port); }

    Station& station;
    SlotStatus status;  // as last told; touched only on the slot's thread
    SlotControl control;
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

void Station::Watch(const SlotJob& job, const std::vector<int>& comPorts, WatchTimes times) {
    Start(job, comPorts, [this, times](Slot& slot, Link& link) {
        WatchSlot watch(slot.status.comPort, job_, times, slot.control, slot, slot.status.counts);
        watch.Run(link);
    });
}

void Station::Search(const SlotJob& job, const std::vector<int>& comPorts) {
    {
        std::lock_guard lock(mutex_);
        findings_ = {};
    }
    Start(job, comPorts, [this](Slot& slot, Link& link) { SearchTask(slot, link); }, SlotState::Searching);
}

void Station::Program(const SlotJob& job, const std::vector<int>& comPorts, bool emergency) {
    Start(job, comPorts, [this, emergency](Slot& slot, Link& link) { ProgramTask(slot, link, emergency); });
}

void Station::Start(const SlotJob& job, const std::vector<int>& comPorts, const Task& task,
                    std::optional<SlotState> shownAtOnce) {
    Wait();
    slots_.clear();
    job_ = job;
    stoppedTransfer_ = false;
    std::vector<SlotStatus> from;
    {
        std::lock_guard lock(mutex_);
        running_ = static_cast<int>(comPorts.size());
        for (auto& status : statuses_) status.armed = false;
        for (const int comPort : comPorts) {
            SlotStatus& status = statuses_.at(Index(comPort));
            status.armed = true;
            if (shownAtOnce) status.state = *shownAtOnce;
            from.push_back(status);
        }
    }
    for (const SlotStatus& status : from) {
        auto slot = std::make_unique<Slot>(*this, status);
        Slot* s = slot.get();
        slots_.push_back(std::move(slot));
        s->thread = start_(
            [this, s, task](SerialPort& port, EventPump& pump) {
                try {
                    AbandonablePump waits(pump, s->control.Waits());
                    Link link(port, waits);
                    task(*s, link);
                    CloseIfOpen(port);
                } catch (const ProgramEnding&) {
                    // Ended at once: whatever it was doing stops where it stood.
                    CloseIfOpen(port);
                } catch (const std::exception& e) {
                    // Nothing may leave a port thread; the platform failed under the slot.
                    SlotStatus status = s->status;
                    status.state = SlotState::Failed;
                    status.reason = std::string("the serial platform failed: ") + e.what();
                    Changed(status);
                }
                Ended();
            },
            [this, s](const char*) {
                SlotStatus status = s->status;
                status.state = SlotState::NoPort;
                Changed(status);
                Ended();
            });
    }
}

void Station::SearchTask(Slot& slot, Link& link) {
    SlotStatus& status = slot.status;  // "Searching" since the search began
    SearchObserver quiet;
    link.Port().SetRTSEnable(SearchWithRts(job_.targetReply));
    const PortFinding finding = SearchPort(link, status.comPort, SlotProbe(job_, status.comPort), quiet);
    {
        std::lock_guard lock(mutex_);
        findings_.at(Index(status.comPort)) = finding;
    }
    if (!finding.Opened()) {
        status.state = finding.access == PortAccess::InUse ? SlotState::InUse : SlotState::NoPort;
    } else if (finding.identification == 0) {
        status.state = SlotState::Waiting;
    } else {
        TakeTav(status, finding);
        switch (JudgeTav(finding, job_)) {
            case TavVerdict::Program: return;  // stays "Searching" until its first record
            case TavVerdict::UpToDate: status.state = SlotState::UpToDate; break;
            case TavVerdict::OtherType: status.state = SlotState::OtherType; break;
        }
    }
    slot.Changed(status);
}

void Station::ProgramTask(Slot& slot, Link& link, bool emergency) {
    TavToProgram tav;
    tav.emergency = emergency;
    {
        std::lock_guard lock(mutex_);
        const std::optional<PortFinding>& finding = findings_.at(Index(slot.status.comPort));
        if (!emergency && finding) {
            tav.shown = finding->Text();
            tav.version = finding->versionText;
        }
    }
    if (!ProgramOnSlot(link, job_, tav, slot.control, slot.status, slot) && slot.status.state == SlotState::Searching) {
        // Stopped before its first record: the tav was not touched.
        slot.status.state = SlotState::Waiting;
        slot.Changed(slot.status);
    }
}

void Station::LeftAlone(int comPort) {
    SlotStatus status;
    {
        std::lock_guard lock(mutex_);
        SlotStatus& slot = statuses_.at(Index(comPort));
        ++slot.counts.leftAlone;
        status = slot;
    }
    observer_.SlotChanged(status);
    if (wake_) wake_->Wake();
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

bool Station::Running() const {
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

std::array<std::optional<PortFinding>, kSlots> Station::Findings() const {
    std::lock_guard lock(mutex_);
    return findings_;
}

void Station::Changed(const SlotStatus& status) {
    {
        std::lock_guard lock(mutex_);
        statuses_.at(Index(status.comPort)) = status;
    }
    observer_.SlotChanged(status);
    if (wake_) wake_->Wake();
}

void Station::Ended() {
    {
        std::lock_guard lock(mutex_);
        --running_;
    }
    ended_.notify_all();
    observer_.SlotEnded();
    if (wake_) wake_->Wake();
}

}  // namespace vantrel
