#include "app/TimerWait.h"

#include <algorithm>
#include <chrono>

#include "app/Bootstrap.h"

namespace vantrel {

std::optional<Millis> NextTimerWait(const Bootstrap& w, Instant now) {
    const Instant horizon = now + std::chrono::hours(24);
    const Instant due = w.NextTimerDue(horizon);
    if (due >= horizon) return std::nullopt;
    return std::chrono::ceil<Millis>(std::max(due - now, Instant::zero()));
}

}  // namespace vantrel
