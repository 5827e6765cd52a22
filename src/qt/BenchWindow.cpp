#include "qt/BenchWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>
#include <atomic>
#include <initializer_list>
#include <iterator>

namespace vantrel {

// The model's `changed` comes from any thread; it posts one call at a time to the window's
// thread, and the call finds the window only while it stands.
struct BenchWindow::Changes {
    std::atomic<bool> posted{false};
    BenchWindow* window = nullptr;  // read and cleared on the window's thread only
};

namespace {

// A soft background the text reads well on, and a strong stripe at its left edge.
struct Shade {
    const char* background;
    const char* stripe;
};

Shade ShadeOf(SlotColour colour) {
    switch (colour) {
        case SlotColour::Blue: return {"#d6e6ff", "#1f5fbf"};
        case SlotColour::Green: return {"#d2f0d5", "#2e7d32"};
        case SlotColour::Red: return {"#f9d3d3", "#c62828"};
        case SlotColour::Grey: break;
    }
    return {"#e4e4e4", "#8a8a8a"};
}

QString StatusStyle(SlotColour colour) {
    const Shade shade = ShadeOf(colour);
    return QString("QLabel { background: %1; color: black; border-left: 6px solid %2; padding: 4px; }")
        .arg(shade.background, shade.stripe);
}

template <class W>
W* Named(W* widget, const QString& name) {
    widget->setObjectName(name);
    widget->setAccessibleName(name);
    return widget;
}

// A label's accessible name says what it is ("COM1 status"); its description is what it
// says now, which a screen reader would otherwise not read past the name.
void SetText(QLabel* label, const std::string& text) {
    const QString shown = QString::fromStdString(text);
    if (label->text() == shown) return;
    label->setText(shown);
    label->setAccessibleDescription(shown);
}

}  // namespace

BenchWindow::BenchWindow(BenchModel& model) : model_(model), changes_(std::make_shared<Changes>()) {
    setWindowTitle("Vantrel Bench");
    auto* layout = new QVBoxLayout(this);

    auto* fileRow = new QHBoxLayout;
    file_ = Named(new QLabel(this), "File");
    file_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fileRow->addWidget(file_, 1);
    load_ = AddButton("Load", &BenchWindow::Load);
    fileRow->addWidget(load_);
    layout->addLayout(fileRow);

    auto* slotRow = new QHBoxLayout;
    for (int port = 1; port <= kSlots; ++port) slotRow->addWidget(MakeSlot(port, slots_[port - 1]), 1);
    layout->addLayout(slotRow);

    auto* buttons = new QHBoxLayout;
    programAll_ = AddButton("Program all", &BenchWindow::ProgramAll);
    watch_ = AddButton("Watch", &BenchWindow::Watch);
    watch_->setCheckable(true);
    retryFailed_ = AddButton("Retry failed", &BenchWindow::RetryFailed);
    stop_ = AddButton("Stop", &BenchWindow::Stop);
    exit_ = AddButton("Exit", &BenchWindow::Exit);
    for (QPushButton* b : {programAll_, watch_, retryFailed_, stop_}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(exit_);
    layout->addLayout(buttons);
    total_ = Named(new QLabel(this), "Total");
    layout->addWidget(total_);

    // Down the slots, then the buttons, the file's Load first.
    QWidget* const order[] = {slots_[0].armed, slots_[1].armed, slots_[2].armed, slots_[3].armed, load_,
                              programAll_,     watch_,          retryFailed_,    stop_,           exit_};
    for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

    changes_->window = this;
    model_.SetChanged([changes = changes_] {
        if (changes->posted.exchange(true)) return;
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [changes] {
                changes->posted = false;
                if (changes->window) changes->window->ModelChanged();
            },
            Qt::QueuedConnection);
    });
    Refresh();
}

BenchWindow::~BenchWindow() {
    model_.SetChanged({});
    changes_->window = nullptr;
}

QPushButton* BenchWindow::AddButton(const char* caption, void (BenchWindow::*command)()) {
    auto* button = Named(new QPushButton(caption, this), caption);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, button, command] {
        pressed_ = button;
        (this->*command)();
        Refresh();
    });
    return button;
}

QWidget* BenchWindow::MakeSlot(int comPort, Slot& slot) {
    const QString com = QString("COM%1").arg(comPort);
    auto* frame = Named(new QFrame(this), com + " slot");
    frame->setFrameShape(QFrame::StyledPanel);
    auto* column = new QVBoxLayout(frame);
    slot.armed = Named(new QCheckBox(com, frame), com);
    QFont bold = slot.armed->font();
    bold.setBold(true);
    slot.armed->setFont(bold);
    connect(slot.armed, &QCheckBox::clicked, this, [this, comPort](bool checked) {
        model_.SetArmed(comPort, checked);
        Refresh();
    });
    slot.device = Named(new QLabel(frame), com + " device");
    slot.device->setWordWrap(true);
    slot.status = Named(new QLabel(frame), com + " status");
    slot.status->setWordWrap(true);
    slot.status->setMinimumHeight(3 * fontMetrics().height());
    slot.status->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    slot.progress = Named(new QProgressBar(frame), com + " progress");
    slot.progress->setRange(0, 100);
    slot.counts = Named(new QLabel(frame), com + " counts");
    for (QWidget* const w :
         std::initializer_list<QWidget*>{slot.armed, slot.device, slot.status, slot.progress, slot.counts})
        column->addWidget(w);
    column->addStretch(1);
    frame->setMinimumWidth(200);
    return frame;
}

void BenchWindow::Refresh() {
    if (lost_) return;
    QWidget* const focused = focusWidget();
    const BenchView view = model_.View();
    SetText(file_, view.file);
    for (std::size_t i = 0; i < kSlots; ++i) {
        const BenchSlotView& v = view.slots[i];
        Slot& slot = slots_[i];
        slot.armed->setChecked(v.armed);
        slot.armed->setEnabled(view.enabled.arm);
        SetText(slot.device, v.device.empty() ? "no device" : v.device);
        SetText(slot.status, v.status);
        const QString style = StatusStyle(v.colour);
        if (slot.status->styleSheet() != style) slot.status->setStyleSheet(style);
        slot.progress->setValue(v.percent);
        SetText(slot.counts, v.counts);
    }
    const BenchCommands& on = view.enabled;
    load_->setEnabled(on.load);
    programAll_->setEnabled(on.programAll);
    watch_->setEnabled(on.watch);
    watch_->setChecked(view.watching);
    retryFailed_->setEnabled(on.retryFailed);
    stop_->setEnabled(on.stop);
    exit_->setEnabled(on.exit);
    SetText(total_, view.total);
    if (focused && !focused->isEnabled()) FocusOnNextStep();
}

void BenchWindow::FocusOnNextStep() {
    // Qt hands the focus of a control it disables to the next one in the Tab order, which
    // may be Exit: a second space meant for the pressed button would close the window.
    // The pressed button again once usable, else Stop while something runs.
    for (QPushButton* button : {pressed_, stop_, programAll_, load_, exit_}) {
        if (button && button->isEnabled()) {
            button->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void BenchWindow::ModelChanged() {
    model_.Update();
    QuitIfReady();
    Refresh();
}

void BenchWindow::QuitIfReady() {
    if (!closeAsked_ || quitting_ || !model_.ReadyToClose()) return;
    quitting_ = true;
    close();
    QCoreApplication::quit();
}

void BenchWindow::Load() { model_.Load(); }
void BenchWindow::ProgramAll() { model_.ProgramAll(); }
void BenchWindow::Watch() { model_.Watch(); }
void BenchWindow::RetryFailed() { model_.RetryFailed(); }
void BenchWindow::Stop() { model_.Stop(); }
void BenchWindow::Exit() { close(); }

void BenchWindow::closeEvent(QCloseEvent* event) {
    if (quitting_) {
        event->accept();
        return;
    }
    if (model_.Close()) {
        quitting_ = true;
        event->accept();
        QCoreApplication::quit();
        return;
    }
    // Transfers stop at their next record boundary and their tavs restart; the window goes
    // once they have. Closing again meanwhile changes nothing.
    closeAsked_ = true;
    event->ignore();
    Refresh();
}

void BenchWindow::TerminationSignal() { close(); }

void BenchWindow::WindowLost() {
    // The widgets have nowhere to draw; what runs still stops in order before the end.
    lost_ = true;
    close();
}

}  // namespace vantrel
