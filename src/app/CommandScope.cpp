#include "app/CommandScope.h"

#include "app/Bootstrap.h"

namespace vantrel {

CommandScope::CommandScope(Bootstrap& w) : w_(w), started_(!w.CommandRunning) {
    w_.CommandRunning = true;
    if (started_) ++w_.CommandsStarted;
}

CommandScope::~CommandScope() {
    if (started_) w_.CommandRunning = false;
}

}  // namespace vantrel
