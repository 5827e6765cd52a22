#pragma once
// The window's event loop as the core sees it: a monotonic clock and "let pending
// window events run". On Linux the pump blocks in Qt's event loop (posix/QtEventPump), on
// Windows in one wait on the port, the console, a timer and the window's messages
// (win32/Win32EventPump); tests use a virtual clock that jumps straight to the next
// scheduled event.

#include <chrono>

namespace vantrel {

// Time since the pump's own epoch, on a monotonic clock.
using Instant = std::chrono::nanoseconds;
using Millis = std::chrono::milliseconds;

// Thrown out of RunPendingEvents when the window has been closed while a command was
// waiting, or a port thread's run abandoned: it unwinds the command; the front-end
// catches it where it dispatched the command. In the core only a port thread's run
// (programming/PortThreadRun) catches it, because nothing may leave a thread: it closes
// the port and reports the run abandoned.
struct ProgramEnding {};

class EventPump {
public:
    virtual ~EventPump() = default;

    virtual Instant Now() const = 0;

    // Runs the window events that are pending. When none is pending, blocks until one
    // arrives (a serial byte, user input) or until wakeAt, whichever comes first.
    // Never busy-waits. May return before wakeAt: callers check the clock themselves.
    virtual void RunPendingEvents(Instant wakeAt) = 0;

    // May be called from any thread: makes the pump's thread return from a blocking
    // RunPendingEvents (now, or at once when it next blocks), so that it can look at what
    // another thread changed. A pump that only ever runs on one thread needs none.
    virtual void Wake() {}
};

}  // namespace vantrel
