#pragma once
// An EventPump that lets the console front-end act on interruptions on every turn of a
// wait, and passes the turn on to the real pump. During the turn itself, interruptions
// are left to the event loop.

#include <functional>

#include "serial/EventPump.h"

namespace vantrel::cli {

class InterruptSource;

class ObservingPump : public EventPump {
public:
    ObservingPump(EventPump& inner, InterruptSource& interrupts) : inner_(inner), interrupts_(interrupts) {}

    Instant Now() const override { return inner_.Now(); }
    void RunPendingEvents(Instant wakeAt) override;
    void Wake() override { inner_.Wake(); }

    // Runs before each turn; may throw ProgramEnding to unwind the running command.
    std::function<void()> beforeTurn;
    // Runs after each turn; may throw ProgramEnding.
    std::function<void()> afterTurn;

private:
    EventPump& inner_;
    InterruptSource& interrupts_;
};

}  // namespace vantrel::cli
