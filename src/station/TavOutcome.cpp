#include "station/TavOutcome.h"

namespace vantrel {

TavOutcome JudgeOutcome(const ProgrammingRun& run, bool portFailed, bool abandoned, bool platformFailed) {
    if (platformFailed) return TavOutcome::PlatformFailed;
    if (abandoned) return TavOutcome::Abandoned;
    using Ending = ProgrammingRun::Ending;
    switch (run.Outcome) {
        case Ending::NotStarted: return TavOutcome::CannotOpen;  // the only way the flow sends no record
        case Ending::Stopped: return TavOutcome::Stopped;
        case Ending::RecordFailed:
            // The restart after a failure goes out unless the port would not open again.
            return portFailed || run.TavRestart == ProgrammingRun::Restart::NotSent ? TavOutcome::PortLost
                                                                                    : TavOutcome::RecordRefused;
        case Ending::Completed: break;
    }
    if (run.TavRestart == ProgrammingRun::Restart::Confirmed) return TavOutcome::Programmed;
    return portFailed ? TavOutcome::PortLost : TavOutcome::RestartUnconfirmed;
}

std::string FailureReason(const TavResult& r) {
    const std::string ofAll = " of " + std::to_string(r.run.RecordCount);
    const std::string taken = std::to_string(r.run.RecordsAcknowledged) + ofAll + " records acknowledged";
    switch (r.outcome) {
        case TavOutcome::Programmed: return {};
        case TavOutcome::RecordRefused:
            return "record " + std::to_string(r.run.RecordsAcknowledged + 1) + ofAll +
                   " was refused after its seven attempts";
        case TavOutcome::RestartUnconfirmed: return "the tav did not confirm its restart";
        case TavOutcome::PortLost: return "the port was lost (" + taken + ")";
        case TavOutcome::Stopped: return "stopped by the user (" + taken + ")";
        case TavOutcome::CannotOpen: return "the port would not open";
        case TavOutcome::Abandoned: return "stopped at once (" + taken + "): the tav was not restarted";
        case TavOutcome::PlatformFailed: return "the serial platform failed: " + r.failure;
    }
    return {};
}

}  // namespace vantrel
