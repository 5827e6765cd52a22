#include "win32ui/Win32Dialogs.h"

#include <commdlg.h>

#include <vector>

#include "win32ui/OpenFileFilter.h"
#include "win32ui/WideText.h"

namespace vantrel {

void Win32Dialogs::BeforeShowing() {
    if (beforeShowing_) beforeShowing_();
}

BoxAnswer Win32Dialogs::MsgBox(const std::string& text, BoxStyle style, const std::string& title) {
    BeforeShowing();
    // Questions: OK and Cancel without an icon; outcomes: OK and the exclamation icon.
    const UINT type = style == BoxStyle::OkCancel ? MB_OKCANCEL : MB_OK | MB_ICONEXCLAMATION;
    const HWND owner = owner_ && IsWindowVisible(owner_) ? owner_ : nullptr;
    const int answer = MessageBoxW(owner, ShownWide(text).c_str(), ShownWide(title).c_str(),
                                   type | MB_DEFBUTTON1 | (owner ? 0 : MB_TASKMODAL));
    return answer == IDOK ? BoxAnswer::Ok : BoxAnswer::Cancel;
}

std::string Win32Dialogs::ShowOpen(const std::string& filter, bool fileMustExist) {
    BeforeShowing();
    const std::string filters = ToOpenFileFilter(filter);
    std::vector<char> file(32768, '\0');
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = filters.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    // No title and no starting folder of the program's own: the system's.
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | (fileMustExist ? OFN_FILEMUSTEXIST : 0);
    if (!GetOpenFileNameA(&dialog)) return {};
    return file.data();
}

}  // namespace vantrel
