#pragma once
// A programming run as its recorder hears of it: made as the flow goes to the tav's port,
// it tells the recorder (if any) that the run started; when it goes, that the run ended
// and how, also when the flow is unwound (stopped at once, the window gone). Nothing the
// recorder does can fail or stop the run.

#include "programming/RunRecorder.h"

namespace vantrel {

class RecordedRun {
public:
    // run: the flow's own account, read when this goes.
    RecordedRun(RunRecorder* recorder, const RunStart& facts, const ProgrammingRun& run);
    ~RecordedRun();
    RecordedRun(const RecordedRun&) = delete;
    RecordedRun& operator=(const RecordedRun&) = delete;

private:
    RunRecorder* recorder_;
    const ProgrammingRun& run_;
    bool started_ = false;
    int exceptionsBefore_;
};

}  // namespace vantrel
