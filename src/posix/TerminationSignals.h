#pragma once
// SIGTERM, SIGINT and SIGHUP to the process, turned into events of the Qt event loop:
// left to their default, they would end the process at once, in the middle of a transfer
// too. The signal handler only runs the owner's own async-signal-safe hook and writes a
// byte to a pipe; a socket notifier on the pipe wakes the loop, also inside a command's
// wait, and calls the owner there once for each signal.

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace vantrel {

class TerminationSignals : public QObject {
public:
    // Runs first, inside the signal handler itself, for what cannot wait for the event
    // loop (it may end the process). It must be async-signal-safe.
    using InHandler = void (*)(int signal);

    // Installs the handlers; one watch at a time. onSignal runs in the event loop, once
    // for each signal; it may be empty when waking the loop is all that is needed.
    explicit TerminationSignals(std::function<void()> onSignal, InHandler inHandler = nullptr);
    ~TerminationSignals() override;  // restores the previous handlers

    // Readable while a signal waits for the event loop: lets a blocking read elsewhere
    // (a question on the terminal) give way to it.
    int WakeFd() const;

private:
    std::function<void()> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace vantrel
