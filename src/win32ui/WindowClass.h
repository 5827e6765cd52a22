#pragma once
// What both top-level windows need from the system before their first control: the
// screen's dots per inch, and their window class registered once per process.

#include <windows.h>

namespace vantrel {

// The screen's dots per inch vertically (96 when the system cannot say).
int ScreenDpi();

// Registers `className` with `proc`, the program's icon (resource 1), the arrow cursor
// and the dialog face colour; nothing when it is registered already.
void RegisterWindowClass(HINSTANCE instance, const wchar_t* className, WNDPROC proc);

}  // namespace vantrel
