#pragma once
// The event loop for the waits, the window's and the console's alike: runs what is
// pending, and otherwise blocks in the Qt event loop until a serial byte, user input or
// the wake-up instant. No polling.

#include <chrono>
#include <functional>

class QAbstractEventDispatcher;

#include "serial/EventPump.h"

namespace vantrel {

// Made and run on one thread that has a Qt event dispatcher (the main thread of a Qt
// application, or a QThread).
class QtEventPump : public EventPump {
public:
    QtEventPump();

    Instant Now() const override;
    // Throws ProgramEnding once RequestEnd has been called.
    void RunPendingEvents(Instant wakeAt) override;
    void Wake() override;

    // The window has been closed: every wait from now on unwinds with ProgramEnding.
    void RequestEnd() { endRequested_ = true; }
    bool EndRequested() const { return endRequested_; }

    // Runs just before the pump blocks, so the window can show the model's latest state.
    void SetBeforeBlocking(std::function<void()> hook) { beforeBlocking_ = std::move(hook); }

private:
    void ThrowIfEnding() const;

    std::chrono::steady_clock::time_point epoch_;
    QAbstractEventDispatcher* dispatcher_;  // of the thread the pump was made on
    bool endRequested_ = false;
    std::function<void()> beforeBlocking_;
};

}  // namespace vantrel
