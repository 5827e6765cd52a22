#include "win32ui/Panel.h"

namespace vantrel {
namespace {

LRESULT CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_DRAWITEM:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
            return SendMessageW(GetAncestor(panel, GA_ROOT), message, wParam, lParam);
        case WM_ERASEBKGND: {
            RECT area;
            GetClientRect(panel, &area);
            const bool highlight = GetWindowLongPtrW(panel, GWLP_USERDATA) != 0;
            FillRect(reinterpret_cast<HDC>(wParam), &area, GetSysColorBrush(highlight ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
            return 1;
        }
        default:
            return DefWindowProcW(panel, message, wParam, lParam);
    }
}

}  // namespace

void RegisterPanelClass(HINSTANCE instance) {
    WNDCLASSEXW panel{};
    if (GetClassInfoExW(instance, kPanelClass, &panel)) return;
    panel.cbSize = sizeof panel;
    panel.lpfnWndProc = PanelProc;
    panel.hInstance = instance;
    panel.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    panel.lpszClassName = kPanelClass;
    RegisterClassExW(&panel);
}

void SetPanelHighlight(HWND panel, bool highlight) { SetWindowLongPtrW(panel, GWLP_USERDATA, highlight ? 1 : 0); }

}  // namespace vantrel
