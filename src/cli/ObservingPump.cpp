#include "cli/ObservingPump.h"

#include "cli/InterruptSource.h"

namespace vantrel::cli {

void ObservingPump::RunPendingEvents(Instant wakeAt) {
    if (beforeTurn) beforeTurn();
    {
        InterruptsNoticed noticed(interrupts_);
        inner_.RunPendingEvents(wakeAt);
    }
    if (afterTurn) afterTurn();
}

}  // namespace vantrel::cli
