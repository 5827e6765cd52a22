#include "cli/TraceLog.h"

#include <cstdio>
#include <stdexcept>

#include "serial/Timer.h"

namespace vantrel::cli {

TraceLog::TraceLog(const std::string& path, const EventPump& clock)
    : file_(std::fopen(path.c_str(), "w")), clock_(clock), start_(clock.Now()) {
    if (!file_) throw std::runtime_error("cannot write the trace file " + path);
    // Line-buffered: what was traced is on disk even if the program dies.
    std::setvbuf(file_.get(), nullptr, _IOLBF, 0);
    Line("trace begins (times in ms)");
}

void TraceLog::WatchTimer(const Timer& timer1) {
    timer_ = &timer1;
    state_ = WaitState::None;
    waitDue_ = timer1.Enabled() ? timer1.Due() : Instant{-1};
}

double TraceLog::MsSince(Instant t) const {
    return std::chrono::duration<double, std::milli>(clock_.Now() - t).count();
}

void TraceLog::Line(const std::string& what) {
    std::fprintf(file_.get(), "%11.3f  %s\n", MsSince(start_), what.c_str());
}

void TraceLog::Settle(bool waitGoesOn) {
    if (!timer_) return;
    const bool running = timer_->Enabled();
    const bool restarted = running && timer_->Due() != waitDue_;
    if (state_ == WaitState::Waiting && (!running || restarted || !waitGoesOn)) {
        // Timer1 fires just after a turn; bytes end a wait at a look at the buffer. So a wait
        // whose timer was restarted (the next wait began at once) timed out if its last sign
        // of life was a turn.
        EndWait(!running || (restarted && lastWasTurn_));
    }
    if (restarted) {
        // Timer1 was restarted: a wait is about to begin (or the restart leads to none).
        state_ = WaitState::Started;
        waitDue_ = timer_->Due();
        waitStart_ = waitDue_ - Millis(timer_->Interval());
    }
}

void TraceLog::EndWait(bool timedOut) {
    const int interval = int(std::chrono::duration_cast<Millis>(waitDue_ - waitStart_).count());
    char text[96];
    if (timedOut)
        std::snprintf(text, sizeof text, "wait %d ms ended: time-out after %.3f ms", interval, MsSince(waitStart_));
    else
        std::snprintf(text, sizeof text, "wait %d ms ended: %d byte(s) in after %.3f ms", interval, lastCount_,
                      MsSince(waitStart_));
    Line(text);
    state_ = WaitState::None;
}

void TraceLog::Write(const std::string& what) {
    Settle(false);
    Line(what);
}

void TraceLog::BeginWait() {
    Settle(true);
    if (state_ == WaitState::Started) {
        Line("wait " + std::to_string(timer_->Interval()) + " ms");
        state_ = WaitState::Waiting;
        lastCount_ = 0;
    }
}

void TraceLog::Turn() {
    BeginWait();
    lastWasTurn_ = true;
}

void TraceLog::InBuffer(int count) {
    // A wait for bytes looks at the buffer before its first turn.
    BeginWait();
    lastCount_ = count;
    lastWasTurn_ = false;
}

void TraceLog::CutShort(const char* why) {
    Settle(true);
    if (state_ == WaitState::Waiting || state_ == WaitState::Started) {
        char text[128];
        std::snprintf(text, sizeof text, "wait %d ms cut short after %.3f ms (%s)", timer_->Interval(),
                      MsSince(waitStart_), why);
        Line(text);
        state_ = WaitState::None;
    }
}

void TraceLog::Note(const std::string& what) { Line(what); }

}  // namespace vantrel::cli
