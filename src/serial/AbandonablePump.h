#pragma once
// Abandoning runs on port threads: once abandoned, every port thread's pump unwinds the
// flow running on it (ProgramEnding out of its next wait), and a pump blocked at that
// moment is woken to do so, whichever thread abandons.

#include <atomic>
#include <mutex>
#include <vector>

#include "serial/EventPump.h"

namespace vantrel {

class Abandonment {
public:
    // From any thread.
    void Abandon();
    bool Abandoned() const { return abandoned_; }

private:
    friend class AbandonablePump;
    void Enter(EventPump& pump);
    void Leave(EventPump& pump);

    std::atomic<bool> abandoned_{false};
    std::mutex mutex_;
    std::vector<EventPump*> pumps_;  // those of the port threads now running
};

// A port thread's pump, for as long as its flow runs.
class AbandonablePump : public EventPump {
public:
    AbandonablePump(EventPump& inner, Abandonment& abandonment);
    ~AbandonablePump() override;
    AbandonablePump(const AbandonablePump&) = delete;
    AbandonablePump& operator=(const AbandonablePump&) = delete;

    Instant Now() const override { return inner_.Now(); }
    void RunPendingEvents(Instant wakeAt) override;
    void Wake() override { inner_.Wake(); }

private:
    void ThrowIfAbandoned() const;

    EventPump& inner_;
    Abandonment& abandonment_;
};

}  // namespace vantrel
