#pragma once
// The --trace file: one time-stamped line (milliseconds since the trace began) for every
// byte sent and received, every port opening and closing, every line-settings and RTS
// put, every box, and every wait with its length and how it ended.
//
// Waits are seen from outside the core, by watching Timer1 (every wait restarts it):
// a wait begins at the first event-loop turn after Timer1 was restarted; it ended by
// time-out when Timer1 has fired (seen stopped, or restarted right after a turn), or
// early on bytes when the program goes on to read or send while Timer1 is still running,
// or restarts it right after a look at the buffer. Lengths are measured from the timer's start.

#include <cstdio>
#include <memory>
#include <string>

#include "serial/EventPump.h"

namespace vantrel {
class Timer;
}

namespace vantrel::cli {

class TraceLog {
public:
    // Throws std::runtime_error when the file cannot be created.
    TraceLog(const std::string& path, const EventPump& clock);
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    // Starts watching the reply timer; its present run (the start-up tick) is no wait.
    void WatchTimer(const Timer& timer1);

    // A line about something the program did now. Settles the wait state first, so a
    // wait that has ended is written before what came after it.
    void Write(const std::string& what);
    // One turn of the event loop inside a wait.
    void Turn();
    // The program looked at the receive buffer (a wait's own test): does not end a wait.
    void InBuffer(int count);
    // The running wait is being ended before its time; why: "transfer stopping", ...
    void CutShort(const char* why);
    // A line about something that happened inside a wait (a signal), which does not end it.
    void Note(const std::string& what);

private:
    enum class WaitState { None, Started, Waiting };
    void Settle(bool waitGoesOn);
    void EndWait(bool timedOut);
    void BeginWait();
    void Line(const std::string& what);
    double MsSince(Instant t) const;

    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::unique_ptr<std::FILE, FileCloser> file_;
    const EventPump& clock_;
    Instant start_;
    const Timer* timer_ = nullptr;

    WaitState state_ = WaitState::None;
    Instant waitStart_{};
    Instant waitDue_{};
    int lastCount_ = 0;
    bool lastWasTurn_ = false;  // rather than a look at the receive buffer
};

}  // namespace vantrel::cli
