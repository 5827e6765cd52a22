#pragma once
// The one QApplication of the suite, on the offscreen platform (no display needed).

class QApplication;

namespace vantrel::test {

QApplication& TestApp();

// Runs the Qt event loop until `done` holds or `limitMs` has passed; returns `done`.
template <class Condition>
bool RunEventsUntil(Condition done, int limitMs);

}  // namespace vantrel::test

#include <QCoreApplication>
#include <QDeadlineTimer>

namespace vantrel::test {

template <class Condition>
bool RunEventsUntil(Condition done, int limitMs) {
    QDeadlineTimer deadline(limitMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    return done();
}

}  // namespace vantrel::test
