#pragma once
// The timed waits every exchange with a tav is built on. Both run on Timer1 and let
// pending window events run on every turn; a wait never ends before its interval.

#include <cstdint>

namespace vantrel {

class Bootstrap;

// Timer1's tick: it only stops the timer, which is what ends a wait.
void Timer1_Timer(Bootstrap& w);

// Restarts Timer1 with the given interval.
void StartTimer1(Bootstrap& w, int ms);
// One turn of a wait: runs pending window events (blocking until one comes or the next
// timer is due) and then any timer whose time has come.
void LetEventsRun(Bootstrap& w);

void Pause(Bootstrap& w, int ms);
// Ends when Timer1 has fired or at least n bytes are waiting. The caller judges the reply.
void WaitForBytes(Bootstrap& w, int ms, int n);
// Reads and drops whatever is waiting.
void DiscardInput(Bootstrap& w);

}  // namespace vantrel
