#pragma once
// A window keeps one idle timer for the model's timers (Timer1, Timer2), armed after each
// handler for whichever of them is due first.

#include <optional>

#include "serial/EventPump.h"

namespace vantrel {

class Bootstrap;

// From `now` until the model's next timer is due, rounded up to whole milliseconds (none
// is due already: zero); nothing when no timer is due within a day.
std::optional<Millis> NextTimerWait(const Bootstrap& w, Instant now);

}  // namespace vantrel
