#pragma once
// How the programming of one tav on a bench slot ended, judged from the flow's own account
// of the wire, and the reason a failure is shown with.

#include <string>

#include "programming/ProgrammingRun.h"

namespace vantrel {

enum class TavOutcome {
    Programmed,          // every record acknowledged and the restart confirmed
    RecordRefused,       // a record was never acknowledged in its seven attempts
    RestartUnconfirmed,  // every record went in, the tav did not confirm its restart
    PortLost,            // the port failed under the transfer (an adapter pulled out)
    Stopped,             // stopped at a record boundary on the user's request, tav restarted
    CannotOpen,          // the port would not open for programming
    Abandoned,           // ended at once (a second interrupt): the tav was not restarted
    PlatformFailed,      // the serial platform failed under the flow
};

struct TavResult {
    int comPort = 0;
    TavOutcome outcome = TavOutcome::CannotOpen;
    ProgrammingRun run;
    std::string failure;  // PlatformFailed: the platform's words
};

// `portFailed`: some wait of the transfer found the port gone.
TavOutcome JudgeOutcome(const ProgrammingRun& run, bool portFailed, bool abandoned, bool platformFailed);

// Empty for Programmed; otherwise what went wrong in plain words, e.g. "record 12 of 80
// was refused after its seven attempts".
std::string FailureReason(const TavResult& result);

}  // namespace vantrel
