#include "serial/Waits.h"

#include "app/Bootstrap.h"

namespace vantrel {

void Timer1_Timer(Bootstrap& w) { w.Timer1.SetEnabled(false); }

void StartTimer1(Bootstrap& w, int ms) {
    w.Timer1.SetEnabled(false);
    w.Timer1.SetInterval(ms);
    w.Timer1.SetEnabled(true);
}

void LetEventsRun(Bootstrap& w) {
    // Block until the next timer is due. With no timer running nothing could end a wait,
    // so a turn then only runs what is pending.
    constexpr Instant kNoTimer = Instant::max();
    Instant wakeAt = w.NextTimerDue(kNoTimer);
    if (wakeAt == kNoTimer) wakeAt = w.Pump.Now();
    w.Pump.RunPendingEvents(wakeAt);
    w.FireDueTimers();
}

void Pause(Bootstrap& w, int ms) {
    StartTimer1(w, ms);
    while (w.Timer1.Enabled()) LetEventsRun(w);
}

void WaitForBytes(Bootstrap& w, int ms, int n) {
    StartTimer1(w, ms);
    while (w.Timer1.Enabled() && w.MSComm1.InBufferCount() < n) LetEventsRun(w);
}

void DiscardInput(Bootstrap& w) { (void)w.MSComm1.Input(); }

}  // namespace vantrel
