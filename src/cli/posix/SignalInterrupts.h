#pragma once
// Interruptions on POSIX: SIGINT (Ctrl-C), SIGTERM and SIGHUP. While the event loop
// notices them, the handler only counts and writes one byte to a pipe; a socket
// notifier on the pipe wakes the Qt event loop, so a wait that blocks there returns at
// once. Otherwise the handler writes the last words and ends the process (_exit).

#include <string>

#include "cli/InterruptSource.h"
#include "posix/TerminationSignals.h"

namespace vantrel::cli {

class SignalInterrupts : public InterruptSource {
public:
    // Installs the handlers; only one may exist at a time. Needs a QCoreApplication.
    SignalInterrupts();
    ~SignalInterrupts() override;  // restores the previous handlers

    int Count() const override;
    bool Noticed() const override;
    void SetNoticed(bool noticed) override;
    void EndAtOnceWith(std::string lastWords, bool onStdout, int exitStatus) override;

    // Readable as soon as a signal has come while noticed: lets a blocking read (the
    // question on the terminal) give way to an interruption.
    int WakeFd() const { return signals_.WakeFd(); }

private:
    std::string lastWords_;
    TerminationSignals signals_;
};

}  // namespace vantrel::cli
