#pragma once
// The window class of frames and cover panels: an opaque child window that holds other
// controls, hides what lies under it, and hands its children's notifications (clicks,
// colours) to the main window, which deals with every control alike.

#include <windows.h>

namespace vantrel {

inline constexpr wchar_t kPanelClass[] = L"VantrelPanel";

// Registers the class once per process.
void RegisterPanelClass(HINSTANCE instance);

// Filled with the system highlight colour rather than the dialog colour.
void SetPanelHighlight(HWND panel, bool highlight);

}  // namespace vantrel
