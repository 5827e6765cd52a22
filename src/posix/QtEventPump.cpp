#include "posix/QtEventPump.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace vantrel {

QtEventPump::QtEventPump()
    : epoch_(std::chrono::steady_clock::now()), dispatcher_(QAbstractEventDispatcher::instance(QThread::currentThread())) {
#ifdef __linux__
    // Waits end on their instant, not up to the kernel's default 50 us later: a transfer
    // ends a 10 ms pause for every record. The thread blocks in between, so the more
    // precise wake-ups cost nothing.
    ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
}

void QtEventPump::Wake() {
    // Thread-safe; a wake-up given while the loop does not block ends its next blocking wait.
    if (dispatcher_) dispatcher_->wakeUp();
}

Instant QtEventPump::Now() const { return std::chrono::steady_clock::now() - epoch_; }

void QtEventPump::ThrowIfEnding() const {
    if (endRequested_) throw ProgramEnding{};
}

void QtEventPump::RunPendingEvents(Instant wakeAt) {
    ThrowIfEnding();
    QEventLoop loop;
    Instant remaining = wakeAt - Now();
    // With a hook to run just before blocking (or no time left to block), what is pending
    // runs first on its own. Otherwise one blocking pass runs it and blocks only when
    // nothing is pending: one look at the descriptors per turn, not two.
    if (beforeBlocking_ || remaining <= Instant::zero()) {
        if (loop.processEvents(QEventLoop::AllEvents)) {
            ThrowIfEnding();
            return;
        }
        remaining = wakeAt - Now();
        if (remaining <= Instant::zero()) return;
        if (beforeBlocking_) {
            beforeBlocking_();
            ThrowIfEnding();
        }
    }
    // Rounded up to whole milliseconds: the wake-up never comes before wakeAt. A precise
    // timer, because Qt's coarse timers may fire up to 5% early.
    QTimer wake;
    wake.setTimerType(Qt::PreciseTimer);
    wake.setSingleShot(true);
    wake.start(std::chrono::ceil<std::chrono::milliseconds>(remaining));
    loop.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    ThrowIfEnding();
}

}  // namespace vantrel
