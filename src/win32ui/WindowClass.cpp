#include "win32ui/WindowClass.h"

namespace vantrel {

int ScreenDpi() {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

void RegisterWindowClass(HINSTANCE instance, const wchar_t* className, WNDPROC proc) {
    WNDCLASSEXW window{};
    if (GetClassInfoExW(instance, className, &window)) return;
    window.cbSize = sizeof window;
    window.lpfnWndProc = proc;
    window.hInstance = instance;
    window.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    window.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    window.lpszClassName = className;
    RegisterClassExW(&window);
}

}  // namespace vantrel
