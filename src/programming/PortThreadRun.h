#pragma once
// The programming flow as a port thread runs it: recorded, and contained, because nothing
// may leave a thread. The console's gang runs and the window's transfer go through here.

#include <string>

#include "programming/ProgramTav.h"
#include "programming/RunRecorder.h"

namespace vantrel {

// How the flow ended beyond what its ProgrammingRun says.
struct PortThreadEnd {
    bool abandoned = false;  // unwound at once (ProgramEnding out of a wait): no orderly end
    std::string failure;     // the platform failed under the flow (empty: it did not)
};

// ProgramTav on the link, its run told to `recorder` (none: no record) with `facts` as its
// start. However it ends, the link's port is closed when this returns.
PortThreadEnd RunOnPortThread(Link& link, const ProgrammingJob& job, ProgrammingRun& run, ProgrammingObserver& observer,
                              RunRecorder* recorder, const RunStart& facts);

}  // namespace vantrel
