#pragma once
// A port thread's pump that unwinds the flow running on it (ProgramEnding out of its next
// wait) once its run is abandoned, whichever thread abandons it.

#include <atomic>

#include "serial/EventPump.h"

namespace vantrel {

class AbandonablePump : public EventPump {
public:
    AbandonablePump(EventPump& inner, const std::atomic<bool>& abandon) : inner_(inner), abandon_(abandon) {}

    Instant Now() const override { return inner_.Now(); }
    void RunPendingEvents(Instant wakeAt) override {
        ThrowIfAbandoned();
        inner_.RunPendingEvents(wakeAt);
        ThrowIfAbandoned();
    }
    void Wake() override { inner_.Wake(); }

private:
    void ThrowIfAbandoned() const {
        if (abandon_) throw ProgramEnding{};
    }
    EventPump& inner_;
    const std::atomic<bool>& abandon_;
};

}  // namespace vantrel
