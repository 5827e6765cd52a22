#pragma once
// The bench window: the loaded file, COM1..COM4 as four slots side by side, and the
// bench's buttons. It only mirrors BenchModel::View() into its widgets and hands each
// click to the model, which says what may be used now.

#include <QWidget>
#include <array>
#include <memory>

#include "bench/BenchModel.h"

class QAbstractButton;
class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;

namespace vantrel {

class BenchWindow : public QWidget {
public:
    explicit BenchWindow(BenchModel& model);
    ~BenchWindow() override;

    // Copies the model's view into the widgets.
    void Refresh();

    // SIGTERM, SIGINT or SIGHUP reached the process: closes as the close box does.
    void TerminationSignal();
    // The native window has been destroyed from outside: the program ends as by the close
    // box, showing nothing more.
    void WindowLost();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct Slot {
        QCheckBox* armed;
        QLabel* device;
        QLabel* status;
        QProgressBar* progress;
        QLabel* counts;
    };
    struct Changes;  // shared with the model's `changed`, which may outlive the window

    QPushButton* AddButton(const char* caption, void (BenchWindow::*command)());
    QWidget* MakeSlot(int comPort, Slot& slot);
    // The model has news: on the window's thread, it moves on, then the window shows it.
    void ModelChanged();
    void QuitIfReady();
    // The focused control has been disabled: the focus goes where a keyboard user goes next.
    void FocusOnNextStep();

    void Load();
    void ProgramAll();
    void Watch();
    void RetryFailed();
    void Stop();
    void Exit();

    BenchModel& model_;
    std::shared_ptr<Changes> changes_;
    QLabel* file_ = nullptr;
    std::array<Slot, kSlots> slots_{};
    QPushButton *load_ = nullptr, *programAll_ = nullptr, *watch_ = nullptr, *retryFailed_ = nullptr,
                *stop_ = nullptr, *exit_ = nullptr;
    QLabel* total_ = nullptr;
    QPushButton* pressed_ = nullptr;  // the command button last pressed
    bool closeAsked_ = false;  // the model is stopping what runs; the window goes once it has
    bool quitting_ = false;
    bool lost_ = false;
};

}  // namespace vantrel
