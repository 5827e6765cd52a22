#pragma once
// Message boxes and the open-file dialog as Qt dialogs over the main window.

#include <QPointer>
#include <QWidget>
#include <functional>

#include "app/Dialogs.h"

namespace vantrel {

class QtDialogs : public Dialogs {
public:
    // The dialogs are modal to `parent` once it is set.
    void SetParent(QWidget* parent) { parent_ = parent; }
    // Runs before a dialog opens, so that the window behind it shows the latest state.
    void SetBeforeShowing(std::function<void()> hook) { beforeShowing_ = std::move(hook); }
    // The window has gone from the screen while the program finishes what it was doing:
    // a box would stand alone and hold the program up until answered. From now on a box
    // is written to the standard error and answered as its safe button would be (OK for
    // an outcome, Cancel for a question), and no file is asked for.
    void SetWindowLost() { windowLost_ = true; }

    BoxAnswer MsgBox(const std::string& text, BoxStyle style, const std::string& title) override;
    std::string ShowOpen(const std::string& filter, bool fileMustExist) override;

private:
    void BeforeShowing();

    QPointer<QWidget> parent_;
    std::function<void()> beforeShowing_;
    bool windowLost_ = false;
};

}  // namespace vantrel
