// Vantrel: the Qt window over the program's model.

#include <QApplication>

#include <cstdio>

#include "app/Bootstrap.h"
#include "app/PortThreadTransfer.h"
#include "posix/QtEventPump.h"
#include "posix/QtPortThread.h"
#include "posix/QtSerialPort.h"
#include "posix/TerminationSignals.h"
#include "qt/CommandLineText.h"
#include "qt/DisplayLoss.h"
#include "qt/MainWindow.h"
#include "qt/NativeWindowLoss.h"
#include "qt/QtDialogs.h"
#include "registry/RegistryStore.h"
#include "runs/RecordingDialogs.h"
#include "runs/RunLog.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);  // takes Qt's own options out of argv
    const std::string commandLine = vantrel::CommandLineText(argc, argv);

    const auto registry = vantrel::OpenDefaultRegistryStore();
    vantrel::QtSerialPort port;
    vantrel::QtEventPump pump;
    vantrel::QtDialogs dialogs;
    // Every programming run leaves its record; the window says nothing when it cannot.
    vantrel::runs::RunLogSettings record;
    record.location = vantrel::runs::DefaultRecordLocation();
    record.frontEnd = "window";
    vantrel::runs::RunLog runLog(std::move(record));
    vantrel::runs::RecordingDialogs recordedDialogs(dialogs, runLog);
    vantrel::Bootstrap w(port, pump, recordedDialogs, *registry, commandLine);
    w.Runs = &runLog;
    // The transfer runs on a thread of its own, so that it can end in order also when
    // the window cannot (see DisplayLoss).
    vantrel::PortThreadTransfer transfer(vantrel::StartQtPortThread, w.Wire);
    w.Transfer = &transfer;
    vantrel::Form_Load(w);

    vantrel::MainWindow window(w, pump);
    dialogs.SetParent(&window);
    dialogs.SetBeforeShowing([&window] { window.Sync(); });
    // A signal closes the window as the close box does: a transfer stops at a record boundary.
    vantrel::TerminationSignals terminations([&window] { window.TerminationSignal(); });
    // A window destroyed from outside ends the program as the close box does.
    vantrel::NativeWindowLoss loss(window, [&] {
        dialogs.SetWindowLost();
        window.WindowLost();
    });
    // The display gone: Qt ends the program once this returns, so a transfer is stopped
    // at its next record boundary and the tav restarted first, and its boxes go to the
    // standard error.
    vantrel::DisplayLoss displayLoss([&] {
        dialogs.SetWindowLost();
        if (!transfer.Running()) return;
        std::fputs("vantrel: the display has gone: the transfer stops at its next record boundary and the "
                   "tav is restarted\n", stderr);
        transfer.FinishWithoutWindow();
    });
    window.show();
    return QApplication::exec();
}
