// Vantrel: the Qt window over the program's model.

#include <QApplication>

#include "app/Bootstrap.h"
#include "qt/CommandLineText.h"
#include "qt/MainWindow.h"
#include "qt/QtDialogs.h"
#include "qt/QtEventPump.h"
#include "qt/QtSerialPort.h"
#include "qt/TerminationSignals.h"
#include "registry/RegistryStore.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);  // takes Qt's own options out of argv
    const std::string commandLine = vantrel::CommandLineText(argc, argv);

    const auto registry = vantrel::OpenDefaultRegistryStore();
    vantrel::QtSerialPort port;
    vantrel::QtEventPump pump;
    vantrel::QtDialogs dialogs;
    vantrel::Bootstrap w(port, pump, dialogs, *registry, commandLine);
    vantrel::Form_Load(w);

    vantrel::MainWindow window(w, pump);
    dialogs.SetParent(&window);
    dialogs.SetBeforeShowing([&window] { window.Sync(); });
    // A signal closes the window as the close box does: a transfer stops at a record boundary.
    vantrel::TerminationSignals terminations([&window] { window.TerminationSignal(); });
    window.show();
    return QApplication::exec();
}
