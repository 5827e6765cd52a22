#include "win32ui/ControlWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "win32ui/Panel.h"
#include "win32ui/WideText.h"

namespace vantrel {
namespace {

HWND Child(const wchar_t* windowClass, DWORD style, DWORD exStyle, HWND parent, int id) {
    return CreateWindowExW(exStyle, windowClass, L"", WS_CHILD | WS_CLIPSIBLINGS | style, 0, 0, 0, 0, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
}

// The window and style for the control's kind.
HWND CreateFor(const Control& c, HWND parent, int id) {
    switch (c.Kind) {
        case ControlKind::Frame:
            // Not clipping its children: the group box inside paints no background of its own.
            return Child(kPanelClass, 0, WS_EX_CONTROLPARENT, parent, id);
        case ControlKind::TextBox:
            // Read-only: no tab stop, so Tab moves between the controls that do something.
            return Child(WC_EDITW, ES_READONLY | ES_AUTOHSCROLL | (c.Centred ? ES_CENTER : ES_LEFT), WS_EX_CLIENTEDGE,
                         parent, id);
        case ControlKind::OptionButton:
            // The rows are one group: the first row starts it.
            return Child(WC_BUTTONW, BS_AUTORADIOBUTTON | WS_TABSTOP | (c.Name == "Option1(0)" ? WS_GROUP : 0), 0,
                         parent, id);
        case ControlKind::CommandButton:
            // The tall, narrow Emergency button draws its caption letter under letter (see
            // DrawUprightButton); its text stays the caption, for automation to read.
            return Child(WC_BUTTONW, (c.Height > c.Width ? BS_OWNERDRAW : BS_PUSHBUTTON) | WS_TABSTOP, 0, parent, id);
        case ControlKind::Label:
            return Child(WC_STATICW, SS_NOPREFIX | (c.Centred ? SS_CENTER : SS_LEFT), 0, parent, id);
        case ControlKind::ProgressBar:
            return Child(PROGRESS_CLASSW, PBS_SMOOTH | (c.Vertical ? PBS_VERTICAL : 0), 0, parent, id);
    }
    return nullptr;
}

void SetText(HWND window, std::wstring& shown, const std::wstring& want) {
    if (shown == want) return;
    SetWindowTextW(window, want.c_str());
    shown = want;
}

void ShowTooltip(ControlWindow& view, HWND tooltips) {
    const std::wstring tip = ShownWide(view.control->ToolTipText);
    if (!tooltips || tip == view.tip) return;
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = GetParent(view.window);
    tool.uId = reinterpret_cast<UINT_PTR>(view.window);
    tool.lpszText = const_cast<wchar_t*>(tip.c_str());
    if (!view.tipAdded) {
        view.tipAdded = SendMessageW(tooltips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool)) != FALSE;
    } else {
        SendMessageW(tooltips, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    view.tip = tip;
}

void ShowContent(ControlWindow& view) {
    const Control& c = *view.control;
    const std::wstring caption = ShownWide(c.Caption);
    switch (c.Kind) {
        case ControlKind::Frame:
            if (view.groupBox) SetText(view.groupBox, view.text, caption);
            break;
        case ControlKind::OptionButton: {
            SetText(view.window, view.text, caption);
            // Not cached: the button checks itself when clicked, before the model says.
            const WPARAM want = c.Value != 0 ? BST_CHECKED : BST_UNCHECKED;
            if (static_cast<WPARAM>(SendMessageW(view.window, BM_GETCHECK, 0, 0)) != want)
                SendMessageW(view.window, BM_SETCHECK, want, 0);
            // Windows takes the tab stop from a radio button that is unchecked, so that Tab
            // reaches a group at its checked button only: after a search with no row
            // selected Tab would reach no row at all. Here, as in the Qt window, every row
            // is a stop of its own.
            if (const LONG_PTR style = GetWindowLongPtrW(view.window, GWL_STYLE); !(style & WS_TABSTOP))
                SetWindowLongPtrW(view.window, GWL_STYLE, style | WS_TABSTOP);
            break;
        }
        case ControlKind::TextBox:
        case ControlKind::CommandButton:
        case ControlKind::Label:
            SetText(view.window, view.text, caption);
            break;
        case ControlKind::ProgressBar: {
            if (view.min != c.Min || view.max != c.Max) {
                SendMessageW(view.window, PBM_SETRANGE32, static_cast<WPARAM>(c.Min), static_cast<LPARAM>(c.Max));
                view.min = c.Min;
                view.max = c.Max;
                view.value = -1;
            }
            const int value = std::clamp(c.Value, c.Min, c.Max);
            if (view.value != value) {
                SendMessageW(view.window, PBM_SETPOS, static_cast<WPARAM>(value), 0);
                view.value = value;
            }
            break;
        }
    }
}

}  // namespace

void DrawUprightButton(const DRAWITEMSTRUCT& item) {
    const HDC dc = item.hDC;
    RECT area = item.rcItem;
    const bool pushed = (item.itemState & ODS_SELECTED) != 0;
    const bool disabled = (item.itemState & ODS_DISABLED) != 0;
    DrawFrameControl(dc, &area, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

    wchar_t text[64] = {};
    GetWindowTextW(item.hwndItem, text, 64);
    // One letter a line; a blank becomes half a line of space between the words. The
    // button's font, smaller where the letters would not fit otherwise.
    int letters = 0, gaps = 0;
    for (const wchar_t* p = text; *p; ++p) (*p == L' ' ? gaps : letters) += 1;
    LOGFONTW face{};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)), sizeof face, &face);
    const int room = (area.bottom - area.top - 6) * 2 / std::max(1, 2 * letters + gaps);
    if (face.lfHeight < 0 ? -face.lfHeight * 5 / 4 > room : face.lfHeight > room) face.lfHeight = -room * 4 / 5;
    const HFONT font = CreateFontIndirectW(&face);
    const HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics;
    GetTextMetricsW(dc, &metrics);
    const int line = metrics.tmHeight;
    int y = (area.top + area.bottom - (letters * line + gaps * line / 2)) / 2 + (pushed ? 1 : 0);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    for (const wchar_t* p = text; *p; ++p) {
        if (*p == L' ') {
            y += line / 2;
            continue;
        }
        RECT cell{area.left, y, area.right, y + line};
        DrawTextW(dc, p, 1, &cell, DT_CENTER | DT_SINGLELINE | DT_NOPREFIX);
        y += line;
    }
    SelectObject(dc, previous);
    DeleteObject(font);
    if (item.itemState & ODS_FOCUS) {
        InflateRect(&area, -3, -3);
        DrawFocusRect(dc, &area);
    }
}

ControlWindow CreateControlWindow(Control& c, HWND parent, int id, HFONT font) {
    ControlWindow view;
    view.control = &c;
    view.window = CreateFor(c, parent, id);
    SendMessageW(view.window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (c.Kind == ControlKind::Frame) {
        SetPanelHighlight(view.window, c.Highlight);
        if (c.Border) {
            view.groupBox = Child(WC_BUTTONW, BS_GROUPBOX | WS_VISIBLE, 0, view.window, id);
            SendMessageW(view.groupBox, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        }
    }
    return view;
}

void ShowControl(ControlWindow& view, const TwipsScale& scale, bool enabled, HWND tooltips) {
    const Control& c = *view.control;
    const PixelRect rect = scale.Rect(c.Left, c.Top, c.Width, c.Height);
    if (!(rect == view.rect)) {
        SetWindowPos(view.window, nullptr, rect.left, rect.top, rect.Width(), rect.Height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
        // The group box fills its panel, under what the frame holds.
        if (view.groupBox)
            SetWindowPos(view.groupBox, HWND_BOTTOM, 0, 0, rect.Width(), rect.Height(), SWP_NOACTIVATE);
        view.rect = rect;
    }
    // A control that may not be used is disabled in the view too: no click, no focus.
    if ((IsWindowEnabled(view.window) != FALSE) != enabled) EnableWindow(view.window, enabled);
    ShowTooltip(view, tooltips);
    ShowContent(view);
    const bool visible = (GetWindowLongPtrW(view.window, GWL_STYLE) & WS_VISIBLE) != 0;
    if (visible != c.Visible) ShowWindow(view.window, c.Visible ? SW_SHOWNA : SW_HIDE);
}

}  // namespace vantrel
