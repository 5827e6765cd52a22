#include "programming/RecordedRun.h"

#include <exception>
#include <optional>

#include "app/Bootstrap.h"
#include "app/RunRecorder.h"
#include "programming/OpenSelectedPort.h"

namespace vantrel {
namespace {

RunStart StartFacts(const Bootstrap& w, int row) {
    RunStart facts;
    facts.file = w.File;
    facts.comPort = row + 1;
    facts.emergency = w.EmergencyMode != VbFalse;
    facts.tavShown = w.TavType[static_cast<std::size_t>(row)].Caption;
    facts.tavVersion = w.TavVersionText[static_cast<std::size_t>(row)];
    // The question belongs to this run only if it was put for the row now selected.
    if (w.Question.row == row && w.Question.asked) {
        facts.versionAsked = true;
        facts.versionQuestion = w.Question.text;
        facts.versionAnswerOk = w.Question.answeredOk;
    }
    return facts;
}

}  // namespace

RecordedRun::RecordedRun(Bootstrap& w) : w_(w), exceptionsBefore_(std::uncaught_exceptions()) {
    if (!w_.Runs) return;
    const std::optional<int> row = SelectedRow(w_);
    if (!row) return;
    try {
        w_.Runs->Started(StartFacts(w_, *row));
        started_ = true;
    } catch (...) {
        // A record that cannot be made never costs the run.
    }
}

RecordedRun::~RecordedRun() {
    if (!started_ || !w_.Runs) return;
    try {
        w_.Runs->Ended({w_.Programming, std::uncaught_exceptions() > exceptionsBefore_});
    } catch (...) {
    }
}

}  // namespace vantrel
