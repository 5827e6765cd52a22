#include "cli/ObservingPump.h"

namespace vantrel::cli {

void ObservingPump::RunPendingEvents(Instant wakeAt) {
    const bool mayBlock = beforeTurn ? beforeTurn() : true;
    inner_.RunPendingEvents(mayBlock ? wakeAt : inner_.Now());
    if (afterTurn) afterTurn();
}

}  // namespace vantrel::cli
