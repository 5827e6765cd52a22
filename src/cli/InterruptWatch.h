#pragma once
// Ctrl-C (SIGINT), SIGTERM and SIGHUP, turned into an event of the Qt event loop: the
// signal handler only counts and writes one byte to a pipe (all it may safely do); a
// socket notifier on the pipe wakes the loop, so a wait that blocks in the event loop
// notices at once. What an interruption means is decided by the session.

#include <QObject>
#include <csignal>
#include <functional>
#include <memory>

class QSocketNotifier;

namespace vantrel::cli {

class InterruptWatch : public QObject {
public:
    // Installs the handlers; only one watch may exist at a time.
    InterruptWatch();
    ~InterruptWatch() override;  // restores the previous handlers

    // Signals received so far.
    int Count() const;
    // Readable as soon as a signal has come: lets a blocking read (a question on the
    // terminal) give way to an interruption.
    int WakeFd() const;

    // Runs inside the event loop after each signal.
    std::function<void()> onInterrupt;

private:
    std::unique_ptr<QSocketNotifier> notifier_;
    struct sigaction previous_[3]{};
};

}  // namespace vantrel::cli
