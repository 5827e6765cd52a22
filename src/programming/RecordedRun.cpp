#include "programming/RecordedRun.h"

#include <exception>

namespace vantrel {

RecordedRun::RecordedRun(RunRecorder* recorder, const RunStart& facts, const ProgrammingRun& run)
    : recorder_(recorder), run_(run), exceptionsBefore_(std::uncaught_exceptions()) {
    if (!recorder_) return;
    try {
        recorder_->Started(facts);
        started_ = true;
    } catch (...) {
        // A record that cannot be made never costs the run.
    }
}

RecordedRun::~RecordedRun() {
    if (!started_) return;
    try {
        recorder_->Ended({run_, std::uncaught_exceptions() > exceptionsBefore_});
    } catch (...) {
        // Run while the flow may be unwinding: nothing may escape, and the run is over.
    }
}

}  // namespace vantrel
