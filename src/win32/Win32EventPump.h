#pragma once
// The event loop of the programs on Windows: blocks on the events of what it watches
// (the serial port's read, the console's interrupt), on a high-resolution waitable timer
// for the wake-up instant and, for the window, on the thread's window messages. No
// polling: one wait, until one of them is signalled.

#include <functional>
#include <vector>

#include "serial/EventPump.h"

struct tagMSG;  // MSG of <windows.h>

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

    // The window's messages run in the waits too: each message taken from the thread's
    // queue goes to `dispatch` (which gives the keyboard to dialog navigation first, then
    // dispatches it). Empty: the thread's messages are left alone, as a console wants.
    void SetMessageDispatch(std::function<void(tagMSG&)> dispatch) { dispatch_ = std::move(dispatch); }
    // Runs just before the pump blocks, so the window can show the model's latest state.
    void SetBeforeBlocking(std::function<void()> hook) { beforeBlocking_ = std::move(hook); }
    // The window has been closed (or WM_QUIT came during a wait): every wait from now on
    // unwinds with ProgramEnding.
    void RequestEnd() { endRequested_ = true; }
    bool EndRequested() const { return endRequested_; }

    // Whether the timer is one of Windows' high-resolution ones; otherwise the system
    // timer runs at 1 ms (timeBeginPeriod) while the pump lives.
    bool HighResolutionTimer() const { return highResolution_; }

private:
    // Waits for the timer (or not at all) and handles the first source signalled;
    // whether one was.
    bool WaitAndDispatch(bool block);
    // Dispatches the thread's queued messages; whether there were any.
    bool DispatchMessages();
    void ThrowIfEnding() const;

    void* timer_ = nullptr;  // HANDLE of the waitable timer
    void* wake_ = nullptr;   // HANDLE of an auto-reset event that Wake sets
    bool highResolution_ = false;
    std::vector<Win32WaitSource*> sources_;
    std::function<void(tagMSG&)> dispatch_;
    std::function<void()> beforeBlocking_;
    bool endRequested_ = false;
};

}  // namespace vantrel
