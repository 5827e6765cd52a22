#pragma once
// Virtual time for in-process tests: the clock stands still while code runs and jumps
// straight to the next scheduled event when the program waits. A whole search runs in
// milliseconds, and its virtual duration is what the program would take on a real line.

#include <cstdint>
#include <functional>
#include <map>
#include <utility>

#include "serial/EventPump.h"

namespace vantrel::sim {

class VirtualPump : public EventPump {
public:
    Instant Now() const override { return now_; }
    void RunPendingEvents(Instant wakeAt) override;

    // Runs fn when the virtual clock reaches `at` (at once if that has passed), from
    // inside the program's next wait, like a window event.
    void Schedule(Instant at, std::function<void()> fn);
    void ScheduleAfter(Instant delay, std::function<void()> fn) { Schedule(now_ + delay, std::move(fn)); }

    // Moves the clock to `until`, running everything scheduled up to then. For tests
    // that let time pass outside of any wait of the program.
    void AdvanceTo(Instant until);

    bool HasPendingEvents() const { return !events_.empty(); }
    std::uint64_t TurnCount() const { return turns_; }

private:
    bool RunDueEvents();

    Instant now_{};
    std::uint64_t turns_ = 0;
    std::uint64_t sequence_ = 0;
    // Ordered by instant, then by the order they were scheduled in.
    std::map<std::pair<Instant, std::uint64_t>, std::function<void()>> events_;
};

}  // namespace vantrel::sim
