#pragma once
// The front-end's dialogs, with every message box also told to the run log, so that the
// record of a run says what the user was shown.

#include "app/Dialogs.h"

namespace vantrel::runs {

class RunLog;

class RecordingDialogs final : public Dialogs {
public:
    RecordingDialogs(Dialogs& shown, RunLog& log) : shown_(shown), log_(log) {}

    BoxAnswer MsgBox(const std::string& text, BoxStyle style, const std::string& title) override;
    std::string ShowOpen(const std::string& filter, bool fileMustExist) override;

private:
    Dialogs& shown_;
    RunLog& log_;
};

}  // namespace vantrel::runs
