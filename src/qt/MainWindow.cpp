#include "qt/MainWindow.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <optional>

#include "app/FocusAfterCommand.h"
#include "app/FontFit.h"
#include "app/TimerWait.h"
#include "qt/ControlWidget.h"

namespace vantrel {
namespace {

double LogicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

}  // namespace

MainWindow::MainWindow(Bootstrap& w, QtEventPump& pump, WindowHandlers handlers)
    : w_(w), pump_(pump), actions_(w, std::move(handlers), [&pump] { return pump.EndRequested(); }), scale_(LogicalDpi()) {
    setFixedSize(scale_(Bootstrap::ClientWidth), scale_(Bootstrap::ClientHeight));
    // The layout was made for the classic 8 pt window font; the default family at that size.
    QFont base = font();
    base.setPointSizeF(kDesignFontPoints);
    setFont(base);
    BuildWidgets();

    idleTimer_.setTimerType(Qt::PreciseTimer);
    idleTimer_.setSingleShot(true);
    connect(&idleTimer_, &QTimer::timeout, this, [this] {
        actions_.TimersDue();
        AfterHandler();
    });

    // Covers appear row by row during a search and the progress bar moves while the
    // handler waits, because the window catches up whenever the pump is about to sleep.
    pump_.SetBeforeBlocking([this] { Sync(); });
    Sync();
    ArmTimers();
}

MainWindow::~MainWindow() { pump_.SetBeforeBlocking({}); }

void MainWindow::BuildWidgets() {
    for (Control* c : w_.AllControls()) {
        QWidget* parent = c->Container ? WidgetOf(*c->Container) : this;
        views_.emplace_back(c, CreateControlWidget(*c, parent));
    }
    for (int i = 0; i < static_cast<int>(w_.Option1.size()); ++i) {
        auto* radio = static_cast<QAbstractButton*>(WidgetOf(w_.Option1[i]));
        options_.addButton(radio, i);
        connect(radio, &QAbstractButton::clicked, this, [this, i] {
            if (actions_.Choose(i)) AfterHandler();
            else Sync();
        });
    }
    options_.setExclusive(true);
    ConnectButton(w_.search);
    ConnectButton(w_.ProgramTav);
    ConnectButton(w_.Load);
    ConnectButton(w_.Exit);
    ConnectButton(w_.Emergency);
    // Tab follows the screen, not the order the widgets were made in (rows last).
    const std::vector<const Control*> order = TabOrder(w_);
    for (std::size_t i = 1; i < order.size(); ++i) setTabOrder(WidgetOf(*order[i - 1]), WidgetOf(*order[i]));
}

QWidget* MainWindow::WidgetOf(const Control& c) const {
    const auto it = std::find_if(views_.begin(), views_.end(), [&c](const auto& v) { return v.first == &c; });
    return it == views_.end() ? nullptr : it->second;
}

void MainWindow::ConnectButton(Control& c) {
    auto* button = static_cast<QAbstractButton*>(WidgetOf(c));
    connect(button, &QAbstractButton::clicked, this, [this, &c] {
        if (actions_.Press(c)) AfterHandler();
        else Sync();
    });
}

const Control* MainWindow::FocusedControl() const {
    const QWidget* focus = focusWidget();
    const auto it = std::find_if(views_.begin(), views_.end(), [focus](const auto& v) { return v.second == focus; });
    return it == views_.end() ? nullptr : it->first;
}

void MainWindow::AfterHandler() {
    QuitIfEnded();
    if (quitting_) return;
    Sync();
    // Qt hands the focus of a widget it disables to the next one, or to none: after a
    // search or a run nothing had it, and a space did nothing until Tab.
    const Control* focused = FocusedControl();
    if (const Control* want = FocusOnReturn(w_, focused, actions_.RanCommand());
        want && want != focused)
        WidgetOf(*want)->setFocus(Qt::OtherFocusReason);
    ArmTimers();
}

void MainWindow::QuitIfEnded() {
    if (w_.Ended && !quitting_) close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!actions_.CloseRequested()) {
        // A tav is being programmed: the window closes once the flow has returned.
        // Closing again meanwhile changes nothing.
        event->ignore();
        return;
    }
    // A handler that is waiting (this event runs inside its wait) unwinds from there.
    pump_.RequestEnd();
    idleTimer_.stop();
    quitting_ = true;
    event->accept();
    QCoreApplication::quit();
}

void MainWindow::TerminationSignal() {
    // The first signal closes the window as its close box does; one more while a
    // transfer is stopping ends the program at once.
    actions_.EndInsisted();
    close();
}

void MainWindow::WindowLost() {
    // A transfer stops at its next record boundary and the tav is restarted before the
    // program ends, as when the close box is pressed; the widgets have nowhere to draw.
    lost_ = true;
    close();
}

void MainWindow::ArmTimers() {
    if (quitting_) return;
    if (const std::optional<Millis> wait = NextTimerWait(w_, pump_.Now()))
        idleTimer_.start(*wait);
    else
        idleTimer_.stop();
}

void MainWindow::Sync() {
    if (lost_) return;
    const QString title = ShownText(w_.Caption);
    if (windowTitle() != title) setWindowTitle(title);
    // Not exclusive while copying, so that the model may have no row selected.
    options_.setExclusive(false);
    for (const auto& [control, widget] : views_) ShowControl(*control, *widget, scale_, ShownEnabled(w_, *control));
    options_.setExclusive(true);
    ShowStacking();
}

void MainWindow::ShowStacking() {
    const auto& order = w_.StackingOrder();
    if (std::equal(order.begin(), order.end(), shownStacking_.begin(), shownStacking_.end())) return;
    for (const Control* c : order) WidgetOf(*c)->raise();
    shownStacking_.assign(order.begin(), order.end());
}

}  // namespace vantrel
