#pragma once
// A window timer: while enabled it fires every Interval milliseconds. Enabling it
// (from disabled) or changing its interval starts the count again. The handler runs
// from FireIfDue, which the waits and the front-end's idle loop call.

#include <functional>

#include "serial/EventPump.h"

namespace vantrel {

class Timer {
public:
    Timer(const EventPump& clock, int intervalMs, std::function<void()> handler)
        : clock_(clock), interval_(intervalMs), handler_(std::move(handler)) {}

    bool Enabled() const { return enabled_; }
    void SetEnabled(bool on);
    int Interval() const { return interval_; }
    void SetInterval(int ms);

    // When the timer fires next; meaningful only while enabled.
    Instant Due() const { return due_; }
    // Runs the handler when the timer is enabled and its time has come (never early).
    // Returns whether it fired.
    bool FireIfDue();

private:
    const EventPump& clock_;
    int interval_;
    std::function<void()> handler_;
    bool enabled_ = false;
    Instant due_{};
};

}  // namespace vantrel
