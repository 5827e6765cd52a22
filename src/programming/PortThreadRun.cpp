#include "programming/PortThreadRun.h"

#include <exception>

#include "programming/RecordedRun.h"
#include "serial/Link.h"
#include "serial/PortSteps.h"

namespace vantrel {

PortThreadEnd RunOnPortThread(Link& link, const ProgrammingJob& job, ProgrammingRun& run, ProgrammingObserver& observer,
                              RunRecorder* recorder, const RunStart& facts) {
    PortThreadEnd end;
    try {
        const RecordedRun recorded(recorder, facts, run);
        ProgramTav(link, job, run, observer);
    } catch (const ProgramEnding&) {
        end.abandoned = true;
        CloseIfOpen(link.Port());
    } catch (const std::exception& e) {
        // The core handles its own failures; this is the platform failing under it.
        end.failure = e.what();
        CloseIfOpen(link.Port());
    }
    return end;
}

}  // namespace vantrel
