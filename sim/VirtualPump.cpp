#include "sim/VirtualPump.h"

#include <algorithm>

namespace vantrel::sim {

void VirtualPump::Schedule(Instant at, std::function<void()> fn) {
    events_.emplace(std::make_pair(std::max(at, now_), sequence_++), std::move(fn));
}

bool VirtualPump::RunDueEvents() {
    bool ran = false;
    while (!events_.empty() && events_.begin()->first.first <= now_) {
        auto fn = std::move(events_.begin()->second);
        events_.erase(events_.begin());
        fn();
        ran = true;
    }
    return ran;
}

void VirtualPump::RunPendingEvents(Instant wakeAt) {
    ++turns_;
    if (RunDueEvents()) return;
    Instant next = wakeAt;
    if (!events_.empty()) next = std::min(next, events_.begin()->first.first);
    if (next > now_) now_ = next;
    RunDueEvents();
}

void VirtualPump::AdvanceTo(Instant until) {
    while (!events_.empty() && events_.begin()->first.first <= until) {
        now_ = std::max(now_, events_.begin()->first.first);
        RunDueEvents();
    }
    now_ = std::max(now_, until);
}

}  // namespace vantrel::sim
