// Vantrel Bench: the Qt window over the bench's model, four COM ports at once.

#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchProgram.h"
#include "posix/QtEventPump.h"
#include "posix/QtPortThread.h"
#include "posix/QtSerialPort.h"
#include "posix/TerminationSignals.h"
#include "qt/BenchWindow.h"
#include "qt/DisplayLoss.h"
#include "qt/NativeWindowLoss.h"
#include "qt/QtDialogs.h"

int main(int argc, char** argv) {
    using namespace vantrel;
    QApplication app(argc, argv);  // takes Qt's own options out of argv
    std::string error;
    const auto start = ParseBenchArguments(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!start) {
        std::fprintf(stderr, "vantrel-bench: %s\n%s\n", error.c_str(), kBenchUsage);
        return 2;
    }
    QtSerialPort port;
    QtEventPump pump;
    QtDialogs dialogs;
    return RunBenchProgram({port, pump, dialogs, StartQtPortThread}, *start, [&](BenchModel& model) {
        BenchWindow window(model);
        dialogs.SetParent(&window);
        dialogs.SetBeforeShowing([&window] { window.Refresh(); });
        // A signal closes the window as the close box does: transfers stop at a record boundary.
        TerminationSignals terminations([&window] { window.TerminationSignal(); });
        // A window destroyed from outside ends the program as the close box does.
        NativeWindowLoss loss(window, [&] {
            dialogs.SetWindowLost();
            window.WindowLost();
        });
        // The display gone: Qt ends the program once this returns, so every transfer is
        // stopped at its next record boundary and its tav restarted first.
        DisplayLoss displayLoss([&] {
            dialogs.SetWindowLost();
            std::fputs("vantrel-bench: the display has gone: transfers stop at their next record boundary and "
                       "their tavs are restarted\n", stderr);
            model.FinishWithoutWindow();
        });
        window.show();
        model.Begin();
        return QApplication::exec();
    });
}
