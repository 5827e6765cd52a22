#include "cli/ObservingPump.h"

#include "cli/InterruptSource.h"

namespace vantrel::cli {

void ObservingPump::RunPendingEvents(Instant wakeAt) {
    const bool mayBlock = beforeTurn ? beforeTurn() : true;
    {
        InterruptsNoticed noticed(interrupts_);
        inner_.RunPendingEvents(mayBlock ? wakeAt : inner_.Now());
    }
    if (afterTurn) afterTurn();
}

}  // namespace vantrel::cli
