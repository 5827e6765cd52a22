#include "runs/RecordingDialogs.h"

#include "runs/RunLog.h"

namespace vantrel::runs {

BoxAnswer RecordingDialogs::MsgBox(const std::string& text, BoxStyle style, const std::string& title) {
    // Before it shows: a box the program is ended from (the window gone) was still shown.
    log_.Shown(title, text);
    return shown_.MsgBox(text, style, title);
}

std::string RecordingDialogs::ShowOpen(const std::string& filter, bool fileMustExist) {
    return shown_.ShowOpen(filter, fileMustExist);
}

}  // namespace vantrel::runs
