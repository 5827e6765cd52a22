#pragma once
// The one window on Windows: every control of the model as a standard Windows control,
// kept in step with the model, and clicks and keys forwarded to the handlers when the
// model lets the control be used. The same model and actions as the Qt window.

#include <windows.h>

#include <map>
#include <memory>
#include <type_traits>
#include <vector>

#include "app/Bootstrap.h"
#include "app/TwipsScale.h"
#include "app/ViewActions.h"
#include "app/WindowHandlers.h"
#include "win32/Win32EventPump.h"
#include "win32ui/ControlWindow.h"

namespace vantrel {

class Win32MainWindow {
public:
    // The window's messages run in the pump's waits from now on.
    Win32MainWindow(Bootstrap& w, Win32EventPump& pump, WindowHandlers handlers = WindowHandlers::Program());
    ~Win32MainWindow();
    Win32MainWindow(const Win32MainWindow&) = delete;
    Win32MainWindow& operator=(const Win32MainWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    // The window that shows a control of the model.
    HWND WindowOf(const Control& c) const;
    HWND Tooltips() const { return tooltips_; }

    void Show(int how);
    // Copies the model into the controls; cheap when nothing changed.
    void Sync();
    // Runs the message loop until the program has ended; the exit code.
    int Run();
    // One message of the thread: Tab, Enter and the like to dialog navigation, the rest
    // to its window.
    void Dispatch(MSG& message);
    // The program has ended and the window has gone (hidden; destroyed with this object).
    bool Gone() const { return quitting_; }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void BuildControls();
    HFONT FontOf(double points);
    ControlWindow* ViewOf(HWND window);
    void Clicked(ControlWindow& view);
    LRESULT Colour(HDC dc, HWND control);
    // The control whose window has the keyboard focus; nullptr: none.
    const Control* FocusedControl();
    // After a handler has run: the program ends, or the window shows the model's state
    // with the focus on a usable control.
    void AfterHandler();
    void ArmTimers();
    void Close();
    bool QueryEndSession();
    void EndSession();
    void Quit();
    void ShowStacking();
    // Orders the controls inside each frame so that Tab, which follows the order of
    // sibling windows, goes down the screen.
    void OrderFramesForTab();
    void FitLabelFont(ControlWindow& view);
    void KeepFocusUsable();

    Bootstrap& w_;
    Win32EventPump& pump_;
    ViewActions actions_;
    TwipsScale scale_;
    HWND hwnd_ = nullptr;
    HWND tooltips_ = nullptr;
    struct FontDeleter {
        void operator()(HFONT font) const { DeleteObject(font); }
    };
    std::map<double, std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>> fonts_;
    std::vector<ControlWindow> views_;
    std::vector<const Control*> shownStacking_;
    bool quitting_ = false;
    bool shutdownHeld_ = false;
};

}  // namespace vantrel
