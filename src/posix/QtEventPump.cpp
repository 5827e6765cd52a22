#include "posix/QtEventPump.h"

#include <QAbstractEventDispatcher>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

namespace vantrel {

QtEventPump::QtEventPump()
    : epoch_(std::chrono::steady_clock::now()), dispatcher_(QAbstractEventDispatcher::instance(QThread::currentThread())) {}

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
    if (loop.processEvents(QEventLoop::AllEvents)) {
        ThrowIfEnding();
        return;
    }
    const Instant remaining = wakeAt - Now();
    if (remaining <= Instant::zero()) return;

    if (beforeBlocking_) {
        beforeBlocking_();
        ThrowIfEnding();
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
