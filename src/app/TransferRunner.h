#pragma once
// Where the window's transfer runs. Both windows run it on a port thread
// (app/PortThreadTransfer), so that it can still be brought to an orderly end when the
// window's thread cannot go on; the suites on virtual time run it in place, on the
// window's own link (tests/support/InPlaceTransfer.h).

#include "programming/ProgramTav.h"
#include "programming/RunRecorder.h"

namespace vantrel {

class TransferRunner {
public:
    virtual ~TransferRunner() = default;
    // Runs the flow for `job` and returns once it has ended. `observer` is called on the
    // window's thread and `run` is kept up to date there; the run goes into `recorder`
    // (none: no record) with `facts` as its start. A ProgramEnding out of the window's
    // waits ends the flow at once and goes on up.
    virtual void Run(const ProgrammingJob& job, ProgrammingRun& run, ProgrammingObserver& observer,
                     RunRecorder* recorder, const RunStart& facts) = 0;
};

}  // namespace vantrel
