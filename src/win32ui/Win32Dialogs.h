#pragma once
// Message boxes and the open-file dialog as the system's own (MessageBox, GetOpenFileName),
// modal to the main window.

#include <windows.h>

#include <functional>

#include "app/Dialogs.h"

namespace vantrel {

class Win32Dialogs : public Dialogs {
public:
    // The dialogs are modal to `owner` once it is set.
    void SetOwner(HWND owner) { owner_ = owner; }
    // Runs before a dialog opens, so that the window behind it shows the latest state.
    void SetBeforeShowing(std::function<void()> hook) { beforeShowing_ = std::move(hook); }

    BoxAnswer MsgBox(const std::string& text, BoxStyle style, const std::string& title) override;
    // The path in the system's code page, as the loader and the command line have it.
    std::string ShowOpen(const std::string& filter, bool fileMustExist) override;

private:
    void BeforeShowing();

    HWND owner_ = nullptr;
    std::function<void()> beforeShowing_;
};

}  // namespace vantrel
