#pragma once
// Message boxes and the open-file dialog. QMessageBox/QFileDialog in the window,
// scripted answers in tests, the terminal in the console front-end.

#include <string>

namespace vantrel {

enum class BoxStyle {
    OkExclamation,  // outcome boxes: one OK button, the exclamation icon
    OkCancel,       // questions: OK and Cancel, no icon
};

enum class BoxAnswer { Ok, Cancel };

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Modal. Texts are single-byte (Latin-1) text, CR LF where a line breaks.
    virtual BoxAnswer MsgBox(const std::string& text, BoxStyle style, const std::string& title) = 0;

    // The open-file dialog: the chosen path, or the empty text when cancelled.
    // filter is in the "Description|pattern" form, e.g. "PHX (*.PHX)| *.phx".
    virtual std::string ShowOpen(const std::string& filter, bool fileMustExist) = 0;
};

}  // namespace vantrel
