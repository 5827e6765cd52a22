#include "qt/MainWindow.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <exception>

#include "qt/ControlWidget.h"

namespace vantrel {
namespace {

constexpr double kDesignFontPoints = 8.0;

double LogicalDpi() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->logicalDotsPerInch() : 96.0;
}

}  // namespace

MainWindow::MainWindow(Bootstrap& w, QtEventPump& pump, WindowHandlers handlers)
    : w_(w), pump_(pump), handlers_(std::move(handlers)), scale_(LogicalDpi()) {
    setFixedSize(scale_(Bootstrap::ClientWidth), scale_(Bootstrap::ClientHeight));
    // The layout was made for the classic 8 pt window font; the default family at that size.
    QFont base = font();
    base.setPointSizeF(kDesignFontPoints);
    setFont(base);
    BuildWidgets();

    idleTimer_.setTimerType(Qt::PreciseTimer);
    idleTimer_.setSingleShot(true);
    connect(&idleTimer_, &QTimer::timeout, this, [this] { TimersDue(); });

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
        connect(radio, &QAbstractButton::clicked, this, [this, i] { OptionClicked(i); });
    }
    options_.setExclusive(true);
    ConnectButton(w_.search, &WindowHandlers::search);
    ConnectButton(w_.ProgramTav, &WindowHandlers::ProgramTav);
    ConnectButton(w_.Load, &WindowHandlers::Load);
    ConnectButton(w_.Exit, &WindowHandlers::Exit);
    ConnectButton(w_.Emergency, &WindowHandlers::Emergency);
}

QWidget* MainWindow::WidgetOf(const Control& c) const {
    const auto it = std::find_if(views_.begin(), views_.end(), [&c](const auto& v) { return v.first == &c; });
    return it == views_.end() ? nullptr : it->second;
}

void MainWindow::ConnectButton(Control& c, std::function<void(Bootstrap&)> WindowHandlers::*handler) {
    auto* button = static_cast<QAbstractButton*>(WidgetOf(c));
    connect(button, &QAbstractButton::clicked, this, [this, &c, handler] {
        // The view disables what the model forbids; this also holds when it lags behind.
        if (!w_.CanActivate(c)) {
            Sync();
            return;
        }
        Dispatch([this, handler] {
            if (const auto& run = handlers_.*handler) run(w_);
        });
    });
}

void MainWindow::OptionClicked(int index) {
    Control& option = w_.Option1[index];
    // Selecting the row already selected is no new selection.
    if (!w_.CanActivate(option) || option.Value != 0) {
        Sync();
        return;
    }
    for (auto& other : w_.Option1) other.Value = 0;
    option.Value = 1;
    Dispatch([this, index] {
        if (handlers_.Option1) handlers_.Option1(w_, static_cast<std::int16_t>(index));
    });
}

void MainWindow::TimersDue() {
    Dispatch([this] { w_.FireDueTimers(); });
}

void MainWindow::Dispatch(const std::function<void()>& handler) {
    if (quitting_) return;
    try {
        handler();
    } catch (const ProgramEnding&) {
        // The window was closed while the handler waited: it has unwound, nothing to show.
    } catch (const std::exception& e) {
        if (!pump_.EndRequested()) {
            Sync();
            w_.CommonDialog1.MsgBox(e.what(), BoxStyle::OkExclamation, "Error!");
        }
    }
    QuitIfEnded();
    if (quitting_) return;
    Sync();
    ArmTimers();
}

void MainWindow::QuitIfEnded() {
    if (w_.Ended && !quitting_) close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The close box ends the program like Exit; Exit has already done its part.
    if (!w_.Ended) CloseWindow(w_);
    if (!w_.Ended) {
        // A tav is being programmed: its transfer stops at the next record boundary and
        // the flow reports and restarts the tav; the window closes once it has returned.
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
    // The first signal closes the window as its close box does. One more while a transfer
    // is stopping means the sender insists: the program ends at once, the tav left as it is.
    if (w_.Programming.Running && w_.Programming.StopRequested && !w_.Ended) EndProgram(w_);
    close();
}

void MainWindow::ArmTimers() {
    if (quitting_) return;
    const Instant now = pump_.Now();
    const Instant horizon = now + std::chrono::hours(24);
    const Instant due = w_.NextTimerDue(horizon);
    if (due >= horizon) {
        idleTimer_.stop();
        return;
    }
    idleTimer_.start(std::chrono::ceil<std::chrono::milliseconds>(std::max(due - now, Instant::zero())));
}

void MainWindow::Sync() {
    const QString title = ShownText(w_.Caption);
    if (windowTitle() != title) setWindowTitle(title);
    // Not exclusive while copying, so that the model may have no row selected.
    options_.setExclusive(false);
    for (const auto& [control, widget] : views_) ShowControl(*control, *widget, scale_, w_.IsUsable(*control));
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
