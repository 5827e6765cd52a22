#pragma once
// SIGTERM, SIGINT and SIGHUP to the window's process, turned into events of the Qt event
// loop: left to their default, they would end the process at once, in the middle of a
// transfer too. The signal handler only writes a byte to a pipe (all it may safely do); a
// socket notifier on the pipe wakes the loop, also inside a command's wait, and the window
// then closes as it does by its close box. Nothing to watch on Windows.

#include <QObject>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace vantrel {

class TerminationSignals : public QObject {
public:
    // Installs the handlers; one watch at a time. onSignal runs in the event loop, once
    // for each signal.
    explicit TerminationSignals(std::function<void()> onSignal);
    ~TerminationSignals() override;  // restores the previous handlers

private:
    std::function<void()> onSignal_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace vantrel
