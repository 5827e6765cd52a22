#pragma once
// The console program's event loop on Windows: blocks on the events of what it watches
// (the serial port's read, the console's interrupt) and on a high-resolution waitable
// timer for the wake-up instant. No polling: one wait, until one of them is signalled.

#include <vector>

#include "serial/EventPump.h"

namespace vantrel {

// Something the pump wakes for: its event is signalled when it has work, and
// OnSignalled does that work (and leaves the event unsignalled until there is more).
class Win32WaitSource {
public:
    virtual ~Win32WaitSource() = default;
    virtual void* WaitEvent() const = 0;  // a HANDLE; null while there is nothing to wait for
    virtual void OnSignalled() = 0;
};

class Win32EventPump : public EventPump {
public:
    Win32EventPump();
    ~Win32EventPump() override;
    Win32EventPump(const Win32EventPump&) = delete;
    Win32EventPump& operator=(const Win32EventPump&) = delete;

    Instant Now() const override;
    void RunPendingEvents(Instant wakeAt) override;
    void Wake() override;

    // The source must stay alive until it is unwatched.
    void Watch(Win32WaitSource& source);
    void Unwatch(Win32WaitSource& source);

    // Whether the timer is one of Windows' high-resolution ones; otherwise the system
    // timer runs at 1 ms (timeBeginPeriod) while the pump lives.
    bool HighResolutionTimer() const { return highResolution_; }

private:
    // Waits for the timer (or not at all) and handles the first source signalled;
    // whether one was.
    bool WaitAndDispatch(bool block);

    void* timer_ = nullptr;  // HANDLE of the waitable timer
    void* wake_ = nullptr;   // HANDLE of an auto-reset event that Wake sets
    bool highResolution_ = false;
    std::vector<Win32WaitSource*> sources_;
};

}  // namespace vantrel
