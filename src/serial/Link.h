#pragma once
// The line to one tav: a serial port, the event pump its waits run on, and the reply timer
// that ends them. Every exchange with a tav runs on a link and shows nothing, so the
// window, the console and each port of a gang run can put one together of their own.

#include <cstdint>
#include <optional>

#include "serial/EventPump.h"
#include "serial/SerialPort.h"
#include "serial/Timer.h"

namespace vantrel {

// How a wait ended: its interval ran out, the bytes it waited for came, or the port
// failed under it (the exchange then counts it as no reply).
enum class WaitEnd { TimedOut, BytesIn, PortFailed };

// What happens in a link's waits, for whoever keeps a trace of the wire.
class LinkObserver {
public:
    virtual ~LinkObserver() = default;
    // A wait of `intervalMs` begins: a pause when `bytes` is 0, else a wait for that many bytes.
    virtual void WaitBegins(int intervalMs, int bytes) = 0;
    // It ended so; `bytesIn` bytes were waiting when it last looked.
    virtual void WaitEnds(int intervalMs, WaitEnd end, int bytesIn) = 0;
    // The program is ending (ProgramEnding) while the wait runs.
    virtual void WaitCutShort(int intervalMs) = 0;
};

// Timers of the link's host that run on the same pump: the window's, when the link is the
// window's. Each turn of a wait wakes for the earliest of them and fires those that are due.
class LinkTimers {
public:
    virtual ~LinkTimers() = default;
    virtual Instant NextDue(Instant ceiling) const = 0;
    virtual void FireDue() = 0;
};

class Link {
public:
    // A link of its own, with a reply timer of its own.
    Link(SerialPort& port, EventPump& pump);
    // A link whose waits run on the host's timer (the window's Timer1), on turns that also
    // serve the host's other timers. `replyTimer` must be among those `hostTimers` fires.
    Link(SerialPort& port, EventPump& pump, Timer& replyTimer, LinkTimers& hostTimers);
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    SerialPort& Port() { return port_; }
    EventPump& Pump() { return pump_; }
    void SetObserver(LinkObserver* observer) { observer_ = observer; }

    // Restarts the reply timer: a wait for bytes may then begin later (AwaitBytes).
    void StartReplyTimer(int ms);
    // Lets pending events run until the reply timer has fired (n 0) or n bytes wait.
    void AwaitBytes(int n);

    // The two waits every exchange is built on; neither ends before its interval.
    void Pause(int ms);
    // Ends when the interval is over or at least n bytes are waiting; the caller judges.
    void WaitForBytes(int ms, int n);
    // Reads and drops whatever is waiting.
    void DiscardInput();

    // One turn of the host's loop without a wait of the link's own: runs pending events,
    // blocking until one comes, a host timer is due, the pump is woken or `until`, then
    // fires the timers whose time has come. For a host that waits on another thread.
    void Serve(Instant until);

private:
    // One turn: runs pending events, blocking until one comes or a timer is due, then
    // fires the timers whose time has come.
    void Turn() { Serve(Instant::max()); }

    SerialPort& port_;
    EventPump& pump_;
    std::optional<Timer> ownTimer_;
    Timer& timer_;
    LinkTimers* hostTimers_ = nullptr;
    LinkObserver* observer_ = nullptr;
};

}  // namespace vantrel
