#pragma once
// The bench window on Windows: COM1..COM4 as four slots of standard controls, the file and
// the bench's commands. A view only: it shows BenchModel::View() and hands every click to
// the model, which says what may be used. The slots' threads tell it of a change with a
// posted message; the model is moved on and read on the window's own thread.
// Control IDs: win32ui/BenchControlIds.h.

#include <windows.h>

#include <array>
#include <atomic>
#include <memory>
#include <string>

#include "bench/BenchModel.h"

namespace vantrel {

class Win32BenchWindow {
public:
    // Registers itself with the model (SetChanged) for as long as it lives.
    explicit Win32BenchWindow(BenchModel& model);
    ~Win32BenchWindow();
    Win32BenchWindow(const Win32BenchWindow&) = delete;
    Win32BenchWindow& operator=(const Win32BenchWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    void Show(int how);
    // Once shown: the model begins (the command line's file loaded, the watch started).
    void Begin();
    // Copies the model's view into the controls; a control whose text is unchanged is
    // left alone (no flicker).
    void Refresh();
    // Runs the message loop until the window has gone; the exit code.
    int Run();
    // One message of the thread: Tab, space and the like to dialog navigation first.
    void Dispatch(MSG& message);
    // The window has been destroyed (the program may end).
    bool Gone() const { return gone_; }

private:
    // What the slots' threads reach: it outlives the window, so a late change posts to
    // a window that is gone, which Windows ignores.
    struct Mailbox {
        std::atomic<HWND> window{nullptr};
        std::atomic<bool> posted{false};
    };
    struct SlotControls {
        HWND group = nullptr, armed = nullptr, device = nullptr, status = nullptr, progress = nullptr,
             counts = nullptr;
        std::wstring deviceText, statusText, countsText;
        int percent = -1;
        SlotColour colour = SlotColour::Grey;
    };
    struct Shown {
        HWND window = nullptr;
        std::wstring text;
    };

    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void BuildControls();
    HWND Child(const wchar_t* windowClass, const wchar_t* text, DWORD style, int id, int x, int y, int width,
               int height, HFONT font, DWORD exStyle = 0);
    void Command(int id, HWND control);
    // A command of the model has run: the window shows where it left the bench, and goes
    // when it was closed and may go now.
    void AfterCommand();
    void ModelChanged();
    void Close();
    bool QueryEndSession();
    void EndSession();
    void DestroyWhenReady();
    bool Usable(HWND control) const;
    // After the controls were enabled or greyed: `focusedBefore` had the focus before.
    void KeepFocusUsable(HWND focusedBefore);
    LRESULT StatusColour(HDC dc, HWND control);
    int Px(int pixelsAt96Dpi) const { return MulDiv(pixelsAt96Dpi, dpi_, 96); }

    BenchModel& model_;
    std::shared_ptr<Mailbox> mailbox_ = std::make_shared<Mailbox>();
    int dpi_ = 96;
    HWND hwnd_ = nullptr;
    HFONT font_ = nullptr, statusFont_ = nullptr;
    std::array<HBRUSH, 4> brushes_{};  // by SlotColour
    Shown file_, total_;
    std::array<SlotControls, kSlots> slots_;
    HWND load_ = nullptr, programAll_ = nullptr, watch_ = nullptr, retryFailed_ = nullptr, stop_ = nullptr,
         exit_ = nullptr;
    HWND focusReturn_ = nullptr;   // greyed with the focus on it: gets it back when usable
    HWND focusMovedTo_ = nullptr;  // where the focus went meanwhile
    int inCommand_ = 0;          // a model command runs (perhaps with a box of its own up)
    bool closeAsked_ = false;    // closed; goes once the model is ready
    bool shutdownHeld_ = false;  // Windows is told why the session must wait
    bool gone_ = false;
};

}  // namespace vantrel
