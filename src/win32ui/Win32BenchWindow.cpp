#include "win32ui/Win32BenchWindow.h"
#include "win32ui/WindowClass.h"

#include <commctrl.h>

#include <string>
#include <utility>

#include "win32ui/BenchControlIds.h"
#include "win32ui/WideText.h"

namespace vantrel {
namespace {

namespace ids = bench_ids;

constexpr wchar_t kWindowClass[] = L"VantrelBench";
constexpr wchar_t kTitle[] = L"Vantrel Bench";
// Posted by the model's `changed`, from any thread; one at a time is enough.
constexpr UINT kModelChanged = WM_APP + 1;
// Not clipping its children: the window's background is what shows inside the slots'
// group boxes, which paint only their frame.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

// The layout at 96 dpi: the file and Load on top; the slots one under the other, each
// with its check box, device and counts on a line, its status across the slot in large
// type (room for a failure's reason), and its progress bar under it; the total and the
// command buttons at the bottom.
constexpr int kMargin = 10;
constexpr int kClientWidth = 680;
constexpr int kInnerWidth = kClientWidth - 2 * kMargin;
constexpr int kSlotsTop = 46;
constexpr int kSlotHeight = 96;
constexpr int kSlotPitch = 102;
constexpr int kSlotInset = 12;  // inside the group box
constexpr int kSlotInnerWidth = kInnerWidth - 2 * kSlotInset;
constexpr int kTotalTop = kSlotsTop + 4 * kSlotPitch;
constexpr int kButtonsTop = kTotalTop + 28;
constexpr int kButtonWidth = 120;
constexpr int kButtonGap = (kInnerWidth - 5 * kButtonWidth) / 4;
constexpr int kButtonHeight = 28;
constexpr int kClientHeight = kButtonsTop + kButtonHeight + 12;

// The status's background by colour (SlotColour's order): pale, so the black text on it
// reads as well as the colour is seen from across the bench.
constexpr std::array<COLORREF, 4> kStatusBackground = {
    RGB(228, 228, 228),  // Grey: nothing under way
    RGB(198, 222, 255),  // Blue: searching, programming
    RGB(190, 236, 190),  // Green: programmed
    RGB(255, 196, 196),  // Red: failed
};

// The system's message font, `scale` times its size; bold when asked.
HFONT MessageFont(double scale, bool bold) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    LOGFONTW face = metrics.lfMessageFont;
    face.lfHeight = static_cast<LONG>(face.lfHeight * scale);
    face.lfWidth = 0;
    if (bold) face.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&face);
}

void SetText(HWND window, std::wstring& shown, const std::wstring& want) {
    if (shown == want) return;
    SetWindowTextW(window, want.c_str());
    shown = want;
}

void SetEnabled(HWND window, bool enabled) {
    if ((IsWindowEnabled(window) != FALSE) != enabled) EnableWindow(window, enabled);
}

// Not cached: a check box checks itself when clicked, before the model has said.
void SetChecked(HWND button, bool checked) {
    const WPARAM want = checked ? BST_CHECKED : BST_UNCHECKED;
    if (static_cast<WPARAM>(SendMessageW(button, BM_GETCHECK, 0, 0)) != want) SendMessageW(button, BM_SETCHECK, want, 0);
}

}  // namespace

Win32BenchWindow::Win32BenchWindow(BenchModel& model) : model_(model), dpi_(ScreenDpi()) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    RegisterWindowClass(instance, kWindowClass, Proc);
    font_ = MessageFont(1.0, false);
    statusFont_ = MessageFont(1.25, true);
    for (std::size_t i = 0; i < brushes_.size(); ++i) brushes_[i] = CreateSolidBrush(kStatusBackground[i]);
    RECT frame{0, 0, Px(kClientWidth), Px(kClientHeight)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    hwnd_ = CreateWindowExW(kExStyle, kWindowClass, kTitle, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, this);
    BuildControls();
    mailbox_->window = hwnd_;
    model_.SetChanged([mailbox = mailbox_] {
        // No window (gone): nothing posted, not even to this thread's own queue.
        if (const HWND window = mailbox->window; window && !mailbox->posted.exchange(true))
            PostMessageW(window, kModelChanged, 0, 0);
    });
    Refresh();
}

Win32BenchWindow::~Win32BenchWindow() {
    model_.SetChanged({});
    mailbox_->window = nullptr;
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    DeleteObject(font_);
    DeleteObject(statusFont_);
    for (const HBRUSH brush : brushes_) DeleteObject(brush);
}

HWND Win32BenchWindow::Child(const wchar_t* windowClass, const wchar_t* text, DWORD style, int id, int x, int y,
                             int width, int height, HFONT font, DWORD exStyle) {
    const HWND child = CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style,
                                       Px(x), Px(y), Px(width), Px(height), hwnd_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                       nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

void Win32BenchWindow::BuildControls() {
    // Created in Tab's order, which follows the order of sibling windows: Load, the slots'
    // check boxes from COM1 down, then the commands from left to right.
    constexpr DWORD kLabel = SS_NOPREFIX | SS_LEFTNOWORDWRAP | SS_CENTERIMAGE;
    file_.window = Child(WC_STATICW, L"", kLabel | SS_ENDELLIPSIS, ids::kFile, kMargin, 13, kInnerWidth - 100, 20,
                         font_);
    load_ = Child(WC_BUTTONW, L"Load", BS_PUSHBUTTON | WS_TABSTOP, ids::kLoad, kClientWidth - kMargin - 80, 10, 80, 26,
                  font_);
    for (int port = 1; port <= kSlots; ++port) {
        SlotControls& slot = slots_[static_cast<std::size_t>(port - 1)];
        const int top = kSlotsTop + (port - 1) * kSlotPitch;
        const int left = kMargin + kSlotInset;
        const int slotId = ids::Slot(port, 0);
        const std::wstring caption = L"COM" + std::to_wstring(port);
        slot.armed = Child(WC_BUTTONW, caption.c_str(), BS_AUTOCHECKBOX | WS_TABSTOP, slotId + ids::kSlotArmed, left,
                           top + 14, 64, 22, font_);
        slot.device = Child(WC_STATICW, L"", kLabel | SS_ENDELLIPSIS, slotId + ids::kSlotDevice, left + 72, top + 16,
                            kSlotInnerWidth / 2 - 72, 18, font_);
        slot.counts = Child(WC_STATICW, L"", SS_NOPREFIX | SS_RIGHT | SS_CENTERIMAGE, slotId + ids::kSlotCounts,
                            left + kSlotInnerWidth / 2, top + 16, kSlotInnerWidth / 2, 18, font_);
        slot.status = Child(WC_STATICW, L"", SS_NOPREFIX | SS_CENTER | SS_CENTERIMAGE | SS_ENDELLIPSIS,
                            slotId + ids::kSlotStatus, left, top + 42, kSlotInnerWidth, 30, statusFont_, WS_EX_STATICEDGE);
        slot.progress = Child(PROGRESS_CLASSW, L"", PBS_SMOOTH, slotId + ids::kSlotProgress, left, top + 76,
                              kSlotInnerWidth, 10, font_);
        SendMessageW(slot.progress, PBM_SETRANGE32, 0, 100);
        // The group box lies under the slot's controls, which paint over it.
        slot.group = Child(WC_BUTTONW, L"", BS_GROUPBOX, slotId + ids::kSlotGroup, kMargin, top, kInnerWidth,
                           kSlotHeight, font_);
        SetWindowPos(slot.group, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    total_.window = Child(WC_STATICW, L"", kLabel | SS_ENDELLIPSIS, ids::kTotal, kMargin, kTotalTop + 2, kInnerWidth,
                          20, font_);
    const struct {
        HWND* button;
        const wchar_t* caption;
        DWORD style;
        int id;
    } buttons[] = {
        {&programAll_, L"Program all", BS_PUSHBUTTON, ids::kProgramAll},
        // A toggle that shows the model's state: it checks itself only when the model says.
        {&watch_, L"Watch", BS_CHECKBOX | BS_PUSHLIKE, ids::kWatch},
        {&retryFailed_, L"Retry failed", BS_PUSHBUTTON, ids::kRetryFailed},
        {&stop_, L"Stop", BS_PUSHBUTTON, ids::kStop},
        {&exit_, L"Exit", BS_PUSHBUTTON, ids::kExit},
    };
    int left = kMargin;
    for (const auto& b : buttons) {
        *b.button = Child(WC_BUTTONW, b.caption, b.style | WS_TABSTOP, b.id, left, kButtonsTop, kButtonWidth,
                          kButtonHeight, font_);
        left += kButtonWidth + kButtonGap;
    }
}

void Win32BenchWindow::Show(int how) {
    ShowWindow(hwnd_, how);
    UpdateWindow(hwnd_);
    KeepFocusUsable(nullptr);
}

void Win32BenchWindow::Begin() {
    ++inCommand_;
    model_.Begin();
    --inCommand_;
    AfterCommand();
}

int Win32BenchWindow::Run() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) Dispatch(message);
    return message.message == WM_QUIT ? static_cast<int>(message.wParam) : 0;
}

void Win32BenchWindow::Dispatch(MSG& message) {
    if (hwnd_ && IsDialogMessageW(hwnd_, &message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

LRESULT CALLBACK Win32BenchWindow::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32BenchWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32BenchWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->Handle(message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT Win32BenchWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED && lParam) Command(LOWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case kModelChanged:
            ModelChanged();
            return 0;
        case WM_CTLCOLORSTATIC:
            return StatusColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_CLOSE:
            Close();
            return 0;
        case WM_QUERYENDSESSION:
            return QueryEndSession() ? TRUE : FALSE;
        case WM_ENDSESSION:
            if (wParam) EndSession();
            return 0;
        case WM_DESTROY:
            if (shutdownHeld_) ShutdownBlockReasonDestroy(hwnd_);
            mailbox_->window = nullptr;
            gone_ = true;
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY: {
            const HWND hwnd = std::exchange(hwnd_, nullptr);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void Win32BenchWindow::Command(int id, HWND control) {
    if (id == ids::kExit) {
        if (IsWindowEnabled(control)) Close();
        return;
    }
    ++inCommand_;
    switch (id) {
        case ids::kLoad: model_.Load(); break;
        case ids::kProgramAll: model_.ProgramAll(); break;
        case ids::kWatch: model_.Watch(); break;
        case ids::kRetryFailed: model_.RetryFailed(); break;
        case ids::kStop: model_.Stop(); break;
        default:
            for (int port = 1; port <= kSlots; ++port)
                if (control == slots_[static_cast<std::size_t>(port - 1)].armed)
                    model_.SetArmed(port, SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED);
            break;
    }
    --inCommand_;
    AfterCommand();
}

void Win32BenchWindow::AfterCommand() {
    if (gone_) return;
    Refresh();
    DestroyWhenReady();
}

void Win32BenchWindow::ModelChanged() {
    // Cleared first: a change told while the model moves on posts again.
    mailbox_->posted = false;
    ++inCommand_;
    model_.Update();
    --inCommand_;
    AfterCommand();
}

void Win32BenchWindow::Close() {
    if (closeAsked_) return;  // closing again changes nothing
    closeAsked_ = true;
    // Whatever runs stops at a record boundary and each tav is restarted; the window goes
    // once the model says all has ended (ModelChanged).
    model_.Close();
    if (inCommand_ == 0) AfterCommand();
}

void Win32BenchWindow::DestroyWhenReady() {
    // Not from inside a command of the model (a box of its own may be up over the window):
    // it comes back here when it returns.
    if (closeAsked_ && inCommand_ == 0 && !gone_ && model_.ReadyToClose()) DestroyWindow(hwnd_);
}

bool Win32BenchWindow::QueryEndSession() {
    if (!model_.Busy()) return true;
    // Windows would end the program in the middle of transfers, each tav left in its
    // loader holding part of an image. The shutdown waits, with the reason shown, while
    // the transfers stop at a record boundary and the tavs are restarted.
    if (!shutdownHeld_)
        shutdownHeld_ = ShutdownBlockReasonCreate(hwnd_, L"Tavs are being programmed: stopping the transfers and "
                                                         L"restarting the tavs.") != FALSE;
    Close();
    return false;
}

void Win32BenchWindow::EndSession() {
    // The session ends now, whatever the answer: the process may go as soon as this
    // returns and no message will be handled any more. Everything under way stops at its
    // record boundary here, each tav restarted.
    model_.FinishWithoutWindow();
    closeAsked_ = true;
    if (inCommand_ == 0 && !gone_) DestroyWindow(hwnd_);
}

void Win32BenchWindow::Refresh() {
    if (gone_) return;
    const HWND focused = GetFocus();  // a control that is greyed now loses it
    const BenchView view = model_.View();
    SetText(file_.window, file_.text, ShownWide(view.file));
    SetEnabled(load_, view.enabled.load);
    for (std::size_t i = 0; i < kSlots; ++i) {
        const BenchSlotView& shown = view.slots[i];
        SlotControls& slot = slots_[i];
        SetChecked(slot.armed, shown.armed);
        SetEnabled(slot.armed, view.enabled.arm);
        SetText(slot.device, slot.deviceText, shown.device.empty() ? L"no device" : ShownWide(shown.device));
        if (slot.colour != shown.colour) {
            slot.colour = shown.colour;
            InvalidateRect(slot.status, nullptr, TRUE);
        }
        SetText(slot.status, slot.statusText, ShownWide(shown.status));
        if (slot.percent != shown.percent) {
            SendMessageW(slot.progress, PBM_SETPOS, static_cast<WPARAM>(shown.percent), 0);
            slot.percent = shown.percent;
        }
        SetText(slot.counts, slot.countsText, ShownWide(shown.counts));
    }
    SetEnabled(programAll_, view.enabled.programAll);
    SetEnabled(watch_, view.enabled.watch);
    SetChecked(watch_, view.watching);
    SetEnabled(retryFailed_, view.enabled.retryFailed);
    SetEnabled(stop_, view.enabled.stop);
    SetEnabled(exit_, view.enabled.exit);
    SetText(total_.window, total_.text, ShownWide(view.total));
    KeepFocusUsable(focused);
}

LRESULT Win32BenchWindow::StatusColour(HDC dc, HWND control) {
    for (const SlotControls& slot : slots_) {
        if (control != slot.status) continue;
        const auto colour = static_cast<std::size_t>(slot.colour);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, kStatusBackground[colour]);
        return reinterpret_cast<LRESULT>(brushes_[colour]);
    }
    return DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
}

bool Win32BenchWindow::Usable(HWND control) const {
    return control && control != hwnd_ && IsChild(hwnd_, control) && IsWindowEnabled(control) &&
           IsWindowVisible(control);
}

void Win32BenchWindow::KeepFocusUsable(HWND focusedBefore) {
    if (GetActiveWindow() != hwnd_) return;
    const HWND focus = GetFocus();
    // The control greyed with the focus on it has it back once it can be used again (Watch
    // after its watch has stopped, Program all after the run), unless the user has moved
    // the focus since: a second space goes where the first went.
    if (Usable(focusReturn_) && (focus == focusMovedTo_ || !Usable(focus))) {
        SetFocus(std::exchange(focusReturn_, nullptr));
        focusMovedTo_ = nullptr;
        return;
    }
    if (Usable(focus)) {
        if (focus != focusMovedTo_) focusReturn_ = focusMovedTo_ = nullptr;
        return;
    }
    // Greyed while it had the focus, which left the keyboard nowhere: the focus moves on to
    // the first control that can take it (Stop while the bench runs).
    if (!focusReturn_ && focusedBefore && IsChild(hwnd_, focusedBefore)) focusReturn_ = focusedBefore;
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if ((GetWindowLongPtrW(child, GWL_STYLE) & WS_TABSTOP) && Usable(child)) {
            SetFocus(child);
            focusMovedTo_ = child;
            return;
        }
    }
}

}  // namespace vantrel
