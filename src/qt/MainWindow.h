#pragma once
// The one window: every control of the model as a widget, kept in step with the model,
// and clicks forwarded to the handlers when the model lets the control be used.

#include <QButtonGroup>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

#include "app/Bootstrap.h"
#include "app/ViewActions.h"
#include "app/WindowHandlers.h"
#include "posix/QtEventPump.h"
#include "qt/TwipsScale.h"

namespace vantrel {

class MainWindow : public QWidget {
public:
    MainWindow(Bootstrap& w, QtEventPump& pump, WindowHandlers handlers = WindowHandlers::Program());
    ~MainWindow() override;

    // Copies the model into the widgets; cheap when nothing changed.
    void Sync();
    // Arms the idle timer for the model's next timer (Timer1, Timer2).
    void ArmTimers();

    // SIGTERM, SIGINT or SIGHUP reached the process (see TerminationSignals).
    void TerminationSignal();
    // The native window has been destroyed from outside (see NativeWindowLoss): the
    // program ends as by the close box, showing nothing more.
    void WindowLost();

    // The widget that shows a control of the model.
    QWidget* WidgetOf(const Control& c) const;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildWidgets();
    void ConnectButton(Control& c);
    // The control whose widget has the window's keyboard focus; nullptr: none.
    const Control* FocusedControl() const;
    // After a handler has run: the window closes once the program has ended, or shows
    // the model's state with the keyboard focus on a usable control.
    void AfterHandler();
    void QuitIfEnded();
    void ShowStacking();

    Bootstrap& w_;
    QtEventPump& pump_;
    ViewActions actions_;
    TwipsScale scale_;
    std::vector<std::pair<Control*, QWidget*>> views_;
    QButtonGroup options_;
    std::vector<const Control*> shownStacking_;
    QTimer idleTimer_;
    bool quitting_ = false;
    bool lost_ = false;
};

}  // namespace vantrel
