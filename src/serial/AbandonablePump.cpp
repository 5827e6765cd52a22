#include "serial/AbandonablePump.h"

namespace vantrel {

void Abandonment::Abandon() {
    abandoned_ = true;
    // A wake-up given while a pump does not block ends its next blocking wait, so a pump
    // between its look at the flag and its wait unwinds too.
    const std::lock_guard lock(mutex_);
    for (EventPump* pump : pumps_) pump->Wake();
}

void Abandonment::Enter(EventPump& pump) {
    const std::lock_guard lock(mutex_);
    pumps_.push_back(&pump);
}

void Abandonment::Leave(EventPump& pump) {
    const std::lock_guard lock(mutex_);
    std::erase(pumps_, &pump);
}

AbandonablePump::AbandonablePump(EventPump& inner, Abandonment& abandonment)
    : inner_(inner), abandonment_(abandonment) {
    abandonment_.Enter(inner_);
}

AbandonablePump::~AbandonablePump() { abandonment_.Leave(inner_); }

void AbandonablePump::RunPendingEvents(Instant wakeAt) {
    ThrowIfAbandoned();
    inner_.RunPendingEvents(wakeAt);
    ThrowIfAbandoned();
}

void AbandonablePump::ThrowIfAbandoned() const {
    if (abandonment_.Abandoned()) throw ProgramEnding{};
}

}  // namespace vantrel
