#include "win32ui/Win32MainWindow.h"
#include "win32ui/WindowClass.h"

#include <commctrl.h>

#include <algorithm>
#include <optional>

#include "app/FocusAfterCommand.h"
#include "app/FontFit.h"
#include "app/TimerWait.h"
#include "win32ui/Panel.h"
#include "win32ui/WideText.h"

namespace vantrel {
namespace {

constexpr wchar_t kWindowClass[] = L"VantrelWindow";
constexpr int kFirstControlId = 100;  // clear of IDOK and IDCANCEL, which dialog navigation sends
constexpr UINT_PTR kModelTimer = 1;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

}  // namespace

Win32MainWindow::Win32MainWindow(Bootstrap& w, Win32EventPump& pump, WindowHandlers handlers)
    : w_(w), pump_(pump), actions_(w, std::move(handlers), [&pump] { return pump.EndRequested(); }),
      scale_(ScreenDpi()) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterWindowClass(instance, kWindowClass, Proc);
    RegisterPanelClass(instance);
    RECT frame{0, 0, scale_(Bootstrap::ClientWidth), scale_(Bootstrap::ClientHeight)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    hwnd_ = CreateWindowExW(kExStyle, kWindowClass, L"", kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, this);
    tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance,
                                nullptr);
    BuildControls();

    // The covers appear row by row during a search and the bar moves while a handler
    // waits, because the window catches up whenever the pump is about to sleep.
    pump_.SetBeforeBlocking([this] { Sync(); });
    pump_.SetMessageDispatch([this](MSG& message) { Dispatch(message); });
    Sync();
    ArmTimers();
}

Win32MainWindow::~Win32MainWindow() {
    pump_.SetMessageDispatch({});
    pump_.SetBeforeBlocking({});
    if (shutdownHeld_) ShutdownBlockReasonDestroy(hwnd_);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    DestroyWindow(hwnd_);
}

HFONT Win32MainWindow::FontOf(double points) {
    auto& font = fonts_[points];
    if (!font) {
        // The design's MS Sans Serif is not everywhere: the system's message font face at
        // the design's size.
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
        LOGFONTW face = metrics.lfMessageFont;
        face.lfHeight = -static_cast<LONG>(std::lround(points * scale_(1440) / 72.0));
        face.lfWidth = 0;
        font.reset(CreateFontIndirectW(&face));
    }
    return font.get();
}

void Win32MainWindow::BuildControls() {
    int id = kFirstControlId;
    for (Control* c : w_.AllControls()) {
        const HWND parent = c->Container ? WindowOf(*c->Container) : hwnd_;
        views_.push_back(
            CreateControlWindow(*c, parent, id++, FontOf(c->FontPoints > 0 ? c->FontPoints : kDesignFontPoints)));
    }
    OrderFramesForTab();
}

HWND Win32MainWindow::WindowOf(const Control& c) const {
    const auto it = std::find_if(views_.begin(), views_.end(), [&c](const ControlWindow& v) { return v.control == &c; });
    return it == views_.end() ? nullptr : it->window;
}

ControlWindow* Win32MainWindow::ViewOf(HWND window) {
    const auto it =
        std::find_if(views_.begin(), views_.end(), [window](const ControlWindow& v) { return v.window == window; });
    return it == views_.end() ? nullptr : &*it;
}

void Win32MainWindow::Show(int how) {
    ShowWindow(hwnd_, how);
    UpdateWindow(hwnd_);
    KeepFocusUsable();
}

int Win32MainWindow::Run() {
    MSG message{};
    while (!quitting_ && GetMessageW(&message, nullptr, 0, 0) > 0) Dispatch(message);
    return 0;
}

void Win32MainWindow::Dispatch(MSG& message) {
    if (hwnd_ && IsDialogMessageW(hwnd_, &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

LRESULT CALLBACK Win32MainWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->Handle(message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Win32MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            auto control = reinterpret_cast<HWND>(lParam);
            // Enter (IDOK from dialog navigation) presses the control that has the focus.
            if (LOWORD(wParam) == IDOK && !control) control = GetFocus();
            if (ControlWindow* view = ViewOf(control);
                view && (HIWORD(wParam) == BN_CLICKED || LOWORD(wParam) == IDOK))
                Clicked(*view);
            return 0;
        }
        case WM_DRAWITEM:
            DrawUprightButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CTLCOLORSTATIC:
            return Colour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_TIMER:
            if (wParam == kModelTimer) {
                KillTimer(hwnd_, kModelTimer);
                actions_.TimersDue();
                AfterHandler();
            }
            return 0;
        case WM_CLOSE:
            Close();
            return 0;
        case WM_QUERYENDSESSION:
            return QueryEndSession() ? TRUE : FALSE;
        case WM_ENDSESSION:
            if (wParam) EndSession();
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void Win32MainWindow::Clicked(ControlWindow& view) {
    const Control& c = *view.control;
    bool ran = false;
    if (c.Kind == ControlKind::CommandButton) ran = actions_.Press(c);
    if (c.Kind == ControlKind::OptionButton) {
        const auto row = std::find_if(w_.Option1.begin(), w_.Option1.end(), [&c](const Control& o) { return &o == &c; });
        ran = actions_.Choose(static_cast<int>(row - w_.Option1.begin()));
    }
    if (ran)
        AfterHandler();
    else
        Sync();  // a radio button checks itself: the model says again what is selected
}

LRESULT Win32MainWindow::Colour(HDC dc, HWND control) {
    const ControlWindow* view = ViewOf(control);
    if (!view || !view->control->Highlight) return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                                  reinterpret_cast<LPARAM>(control));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_HIGHLIGHT));
}

const Control* Win32MainWindow::FocusedControl() {
    const HWND focus = GetFocus();
    const ControlWindow* view = focus ? ViewOf(focus) : nullptr;
    return view ? view->control : nullptr;
}

void Win32MainWindow::AfterHandler() {
    if (w_.Ended) Quit();
    if (quitting_) return;
    if (shutdownHeld_ && !w_.ProgramCommand.Running) {
        ShutdownBlockReasonDestroy(hwnd_);
        shutdownHeld_ = false;
    }
    Sync();
    // After a command the focus goes to the next step: that of the control it greyed
    // went to whatever could take it meanwhile (Exit, most often), or nowhere.
    if (GetActiveWindow() == hwnd_) {
        const Control* focused = FocusedControl();
        if (const Control* want = FocusOnReturn(w_, focused, actions_.RanCommand());
            want && want != focused)
            SetFocus(WindowOf(*want));
    }
    ArmTimers();
}

void Win32MainWindow::ArmTimers() {
    if (quitting_) return;
    const std::optional<Millis> wait = NextTimerWait(w_, pump_.Now());
    if (!wait) {
        KillTimer(hwnd_, kModelTimer);
        return;
    }
    SetTimer(hwnd_, kModelTimer, static_cast<UINT>(std::max<long long>(wait->count(), USER_TIMER_MINIMUM)), nullptr);
}

void Win32MainWindow::Close() {
    // While a tav is being programmed the window closes once the flow has returned;
    // closing again meanwhile changes nothing.
    if (actions_.CloseRequested()) Quit();
}

bool Win32MainWindow::QueryEndSession() {
    if (!w_.ProgramCommand.Running) return true;
    // Windows would end the program in the middle of a transfer: the tav is left in its
    // loader holding part of an image. The shutdown waits, with the reason shown, while
    // the transfer stops at a record boundary and the tav is restarted.
    if (!shutdownHeld_)
        shutdownHeld_ = ShutdownBlockReasonCreate(hwnd_, L"A tav is being programmed: stopping the transfer and "
                                                         L"restarting the tav.") != FALSE;
    Close();
    return false;
}

void Win32MainWindow::EndSession() {
    // The session ends now, whatever the answer: the process may go as soon as this
    // returns, so the program ends at once. A running transfer is cut short: its port
    // thread is abandoned as the handler that waits for it unwinds.
    actions_.CloseRequested();
    actions_.EndInsisted();
    Quit();
}

void Win32MainWindow::Quit() {
    if (quitting_) return;
    quitting_ = true;
    // A handler that is waiting (this message runs inside its wait) unwinds from there.
    pump_.RequestEnd();
    KillTimer(hwnd_, kModelTimer);
    ShowWindow(hwnd_, SW_HIDE);
    PostQuitMessage(0);
}

void Win32MainWindow::Sync() {
    if (quitting_) return;
    const std::wstring title = ShownWide(w_.Caption);
    wchar_t shown[256] = {};
    GetWindowTextW(hwnd_, shown, 256);
    if (title != shown) SetWindowTextW(hwnd_, title.c_str());
    for (ControlWindow& view : views_) {
        ShowControl(view, scale_, ShownEnabled(w_, *view.control), tooltips_);
        if (view.control->Kind == ControlKind::Label) FitLabelFont(view);
    }
    ShowStacking();
    KeepFocusUsable();
}

void Win32MainWindow::FitLabelFont(ControlWindow& view) {
    // A label whose text would be cut off at its design size (app/FontFit.h).
    if (view.text == view.fittedText) return;
    view.fittedText = view.text;
    const double design = view.control->FontPoints > 0 ? view.control->FontPoints : kDesignFontPoints;
    const HDC dc = GetDC(view.window);
    const int room = view.rect.Width() - 2;
    const int lines = std::max(1, view.rect.Height() / std::max(1, scale_(15 * 16)));  // 16 px lines at 96 dpi
    const double points = FittedFontPoints(design, [&](double p) {
        const HGDIOBJ previous = SelectObject(dc, FontOf(p));
        SIZE extent{};
        GetTextExtentPoint32W(dc, view.text.c_str(), static_cast<int>(view.text.size()), &extent);
        SelectObject(dc, previous);
        return extent.cx <= room * lines;
    });
    ReleaseDC(view.window, dc);
    SendMessageW(view.window, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(points)), TRUE);
}

namespace {

// Places the windows one under the other, the first on top of its siblings; those not
// named stay below them.
void StackTopDown(const std::vector<HWND>& windows) {
    HWND above = HWND_TOP;
    for (const HWND window : windows) {
        SetWindowPos(window, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = window;
    }
}

// Where a control comes in Tab's order; past the end for those that Tab does not reach.
std::size_t TabPosition(const std::vector<const Control*>& order, const Control& c) {
    return static_cast<std::size_t>(std::find(order.begin(), order.end(), &c) - order.begin());
}

}  // namespace

void Win32MainWindow::ShowStacking() {
    const auto& order = w_.StackingOrder();
    if (std::equal(order.begin(), order.end(), shownStacking_.begin(), shownStacking_.end())) return;
    // Tab follows the stacking of sibling windows from the top, and stacking also decides
    // which panel lies over which. The model's order, top first; the frames that hold
    // what Tab reaches then trade places among themselves into Tab's order. They meet
    // only along a border, and every panel stays above what it covers.
    const std::vector<const Control*> tab = TabOrder(w_);
    const auto firstTabStop = [&](const Control* top) {
        std::size_t first = tab.size();
        for (const Control* c : tab) {
            const Control* outer = c;
            while (outer->Container) outer = outer->Container;
            if (outer == top) first = std::min(first, TabPosition(tab, *c));
        }
        return first;
    };
    std::vector<const Control*> topDown(order.rbegin(), order.rend());
    std::vector<std::size_t> slots;
    std::vector<const Control*> holders;
    for (std::size_t i = 0; i < topDown.size(); ++i)
        if (firstTabStop(topDown[i]) < tab.size()) slots.push_back(i), holders.push_back(topDown[i]);
    std::stable_sort(holders.begin(), holders.end(),
                     [&](const Control* a, const Control* b) { return firstTabStop(a) < firstTabStop(b); });
    for (std::size_t i = 0; i < slots.size(); ++i) topDown[slots[i]] = holders[i];

    std::vector<HWND> windows;
    for (const Control* c : topDown) windows.push_back(WindowOf(*c));
    StackTopDown(windows);
    shownStacking_.assign(order.begin(), order.end());
}

void Win32MainWindow::OrderFramesForTab() {
    const std::vector<const Control*> tab = TabOrder(w_);
    for (const ControlWindow& frame : views_) {
        if (frame.control->Kind != ControlKind::Frame) continue;
        std::vector<const Control*> inside;
        for (const ControlWindow& view : views_)
            if (view.control->Container == frame.control) inside.push_back(view.control);
        // What Tab reaches first, in its order; the rest (text boxes, labels) below it.
        std::stable_sort(inside.begin(), inside.end(),
                         [&](const Control* a, const Control* b) { return TabPosition(tab, *a) < TabPosition(tab, *b); });
        std::vector<HWND> windows;
        for (const Control* c : inside) windows.push_back(WindowOf(*c));
        StackTopDown(windows);
        // The group box that draws the frame stays under what the frame holds.
        if (frame.groupBox) SetWindowPos(frame.groupBox, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void Win32MainWindow::KeepFocusUsable() {
    // A control greyed while it had the focus leaves the keyboard nowhere: the focus
    // moves on to a control that can take it.
    if (GetActiveWindow() != hwnd_) return;
    const HWND focus = GetFocus();
    if (focus && focus != hwnd_ && IsWindowEnabled(focus) && IsWindowVisible(focus)) return;
    if (const Control* next = FocusAfterCommand(w_)) SetFocus(WindowOf(*next));
}

}  // namespace vantrel
