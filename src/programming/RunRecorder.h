#pragma once
// An observer of programming runs, for the record of every run that the front-ends keep
// (src/runs). The flow only tells it what is known when a run starts and how it ended;
// times, the machine, the file's digest and where the lines go are the recorder's.
// A recorder must never throw into the flow, nor block it for long.

#include <optional>
#include <string>

#include "firmware/LoadedFile.h"
#include "programming/ProgrammingRun.h"

namespace vantrel {

struct RunStart {
    std::optional<LoadedFile> file;  // the image's file
    int comPort = 0;                 // COMn of the tav
    bool emergency = false;          // the rows came from an emergency search
    std::string tavShown;            // the row's text before programming, e.g. "Tav model 04 2.5"
    std::string tavVersion;          // the tav's code version as found ("2.5"); empty when none was identified
    bool versionAsked = false;       // the version question was put for this tav ...
    std::string versionQuestion;
    bool versionAnswerOk = false;    // ... and answered OK (Cancel leaves nothing to program)
};

struct RunEnd {
    ProgrammingRun run;      // what happened on the wire
    bool abandoned = false;  // the flow did not end on its own: it was unwound (stopped at once, the window gone)
};

class RunRecorder {
public:
    virtual ~RunRecorder() = default;
    // The flow goes to the tav's port: the transfer is about to start.
    virtual void Started(const RunStart& facts) = 0;
    // The flow has ended (its port closed), or is being unwound.
    virtual void Ended(const RunEnd& facts) = 0;
};

}  // namespace vantrel
