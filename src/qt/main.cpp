// Vantrel: the Qt window over the program's model.

#include <QApplication>

#include <cstdio>

#include "posix/QtEventPump.h"
#include "posix/QtPortThread.h"
#include "posix/QtSerialPort.h"
#include "posix/TerminationSignals.h"
#include "qt/CommandLineText.h"
#include "qt/DisplayLoss.h"
#include "qt/MainWindow.h"
#include "qt/NativeWindowLoss.h"
#include "qt/QtDialogs.h"
#include "window/WindowProgram.h"

int main(int argc, char** argv) {
    using namespace vantrel;
    QApplication app(argc, argv);  // takes Qt's own options out of argv
    QtSerialPort port;
    QtEventPump pump;
    QtDialogs dialogs;
    const WindowPlatform platform{port, pump, dialogs, StartQtPortThread};
    return RunWindowProgram(platform, CommandLineText(argc, argv), [&](Bootstrap& w, PortThreadTransfer& transfer) {
        MainWindow window(w, pump);
        dialogs.SetParent(&window);
        dialogs.SetBeforeShowing([&window] { window.Sync(); });
        // A signal closes the window as the close box does: a transfer stops at a record boundary.
        TerminationSignals terminations([&window] { window.TerminationSignal(); });
        // A window destroyed from outside ends the program as the close box does.
        NativeWindowLoss loss(window, [&] {
            dialogs.SetWindowLost();
            window.WindowLost();
        });
        // The display gone: Qt ends the program once this returns, so a transfer is stopped
        // at its next record boundary and the tav restarted first, and its boxes go to the
        // standard error.
        DisplayLoss displayLoss([&] {
            dialogs.SetWindowLost();
            if (!transfer.Running()) return;
            std::fputs("vantrel: the display has gone: the transfer stops at its next record boundary and the "
                       "tav is restarted\n", stderr);
            transfer.FinishWithoutWindow();
        });
        window.show();
        return QApplication::exec();
    });
}
