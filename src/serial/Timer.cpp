#include "serial/Timer.h"

namespace vantrel {

void Timer::SetEnabled(bool on) {
    if (on && !enabled_) due_ = clock_.Now() + Millis(interval_);
    enabled_ = on;
}

void Timer::SetInterval(int ms) {
    interval_ = ms;
    if (enabled_) due_ = clock_.Now() + Millis(interval_);
}

bool Timer::FireIfDue() {
    if (!enabled_ || clock_.Now() < due_) return false;
    due_ = clock_.Now() + Millis(interval_);
    if (handler_) handler_();
    return true;
}

}  // namespace vantrel
