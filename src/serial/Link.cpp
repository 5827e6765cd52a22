#include "serial/Link.h"

#include <algorithm>

namespace vantrel {

Link::Link(SerialPort& port, EventPump& pump)
    : port_(port), pump_(pump), ownTimer_(std::in_place, pump, 100, [this] { ownTimer_->SetEnabled(false); }),
      timer_(*ownTimer_) {}

Link::Link(SerialPort& port, EventPump& pump, Timer& replyTimer, LinkTimers& hostTimers)
    : port_(port), pump_(pump), timer_(replyTimer), hostTimers_(&hostTimers) {}

void Link::StartReplyTimer(int ms) {
    timer_.SetEnabled(false);
    timer_.SetInterval(ms);
    timer_.SetEnabled(true);
}

void Link::Serve(Instant until) {
    // With no timer running and no ceiling nothing could end a wait, so a turn then only
    // runs what is pending.
    constexpr Instant kNoTimer = Instant::max();
    Instant wakeAt = until;
    if (hostTimers_)
        wakeAt = hostTimers_->NextDue(until);
    else if (timer_.Enabled())
        wakeAt = std::min(timer_.Due(), until);
    if (wakeAt == kNoTimer) wakeAt = pump_.Now();
    pump_.RunPendingEvents(wakeAt);
    if (hostTimers_)
        hostTimers_->FireDue();
    else
        timer_.FireIfDue();
}

void Link::AwaitBytes(int n) {
    const int interval = timer_.Interval();
    if (observer_) observer_->WaitBegins(interval, n);
    int waiting = 0;
    try {
        while (timer_.Enabled() && (n == 0 || (waiting = port_.InBufferCount()) < n)) Turn();
    } catch (const ProgramEnding&) {
        if (observer_) observer_->WaitCutShort(interval);
        throw;
    } catch (const SerialError&) {
        if (observer_) observer_->WaitEnds(interval, WaitEnd::PortFailed, waiting);
        throw;
    }
    if (observer_) observer_->WaitEnds(interval, timer_.Enabled() ? WaitEnd::BytesIn : WaitEnd::TimedOut, waiting);
}

void Link::Pause(int ms) {
    StartReplyTimer(ms);
    AwaitBytes(0);
}

void Link::WaitForBytes(int ms, int n) {
    StartReplyTimer(ms);
    AwaitBytes(n);
}

void Link::DiscardInput() { (void)port_.Input(); }

}  // namespace vantrel
