#include "support/InPlaceTransfer.h"

#include "programming/RecordedRun.h"

namespace vantrel::test {

void InPlaceTransfer::Run(const ProgrammingJob& job, ProgrammingRun& run, ProgrammingObserver& observer,
                          RunRecorder* recorder, const RunStart& facts) {
    // The start line now, the end line once the port is closed (or as the flow unwinds).
    const RecordedRun recorded(recorder, facts, run);
    ProgramTav(link_, job, run, observer);
}

}  // namespace vantrel::test
