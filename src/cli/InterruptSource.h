#pragma once
// Ctrl-C and its kin, as the console sees them on any platform.
//
// Most of a run sits in waits, and a wait blocks in the event pump: there an
// interruption is only counted and wakes the pump, and the session decides after the
// turn what it means (stop programming at the next record, or unwind the command).
// Everywhere else (start-up, the type table store, reading the firmware file) nothing
// would look at the count, and the program may be blocked in a system call that never
// returns: there an interruption ends the process at once, with its last words.
//
// What an implementation must do:
// - Count every interruption; Count is read on the main thread.
// - While Noticed() is set: count, wake the event pump at once (a blocking wait must
//   return) and make a TerminalReader's ReadLine give way. Nothing else.
// - While Noticed() is clear: write the last words given to EndAtOnceWith (a whole
//   line, as is) to standard output or standard error, then end the process with its
//   status, running nothing else of the program. Before EndAtOnceWith has been called,
//   end as the signal itself would.
// POSIX: SIGINT, SIGTERM and SIGHUP; the handler may only do async-signal-safe things
// (write to a self-pipe the event loop watches, write(), _exit()).
// Windows: SetConsoleCtrlHandler, whose routine runs on a thread of its own: the count
// and the flag must be atomics, the pump must be woken through a handle it waits on
// (an event set with SetEvent), and ending at once is WriteFile and ExitProcess.

#include <string>

namespace vantrel::cli {

class InterruptSource {
public:
    virtual ~InterruptSource() = default;

    // Interruptions received so far.
    virtual int Count() const = 0;

    // Whether the event loop (or the question on the terminal) notices an interruption
    // now; clear when the source is made.
    virtual bool Noticed() const = 0;
    virtual void SetNoticed(bool noticed) = 0;

    // How an interruption ends the process while it is not noticed. Called once, early.
    virtual void EndAtOnceWith(std::string lastWords, bool onStdout, int exitStatus) = 0;
};

// A stretch of the run in which the event loop notices interruptions: a turn of the
// pump, the question on the terminal, the programming of a tav (whose steps between
// waits never block). Restores what was before on leaving, so stretches may nest.
class InterruptsNoticed {
public:
    explicit InterruptsNoticed(InterruptSource& source) : source_(source), before_(source.Noticed()) {
        source_.SetNoticed(true);
    }
    ~InterruptsNoticed() { source_.SetNoticed(before_); }
    InterruptsNoticed(const InterruptsNoticed&) = delete;
    InterruptsNoticed& operator=(const InterruptsNoticed&) = delete;

private:
    InterruptSource& source_;
    bool before_;
};

}  // namespace vantrel::cli
