#pragma once
// The program's core on the Qt adapter, in real time: QSerialPort over pseudo-terminals,
// the Qt event pump, the transfer on a port thread as the window runs it, and a registry
// file of its own; Form_Load has run. COM1..COM4 lead
// nowhere until a test points one at a tav. Needs a QCoreApplication.

#include <QTemporaryDir>
#include <string>
#include <vector>

#include "TavsimProcess.h"
#include "app/Bootstrap.h"
#include "app/PortThreadTransfer.h"
#include "posix/QtEventPump.h"
#include "posix/QtPortThread.h"
#include "posix/QtSerialPort.h"
#include "registry/RegFileStore.h"
#include "sim/PhxWriter.h"
#include "support/ScopedEnv.h"

namespace vantrel::test {

struct QtProgramRig {
    explicit QtProgramRig(Dialogs& dialogs) : w(port, pump, dialogs, registry) {
        w.Transfer = &transfer;
        Form_Load(w);
    }
    std::string Path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }

    // No ports but the test's.
    const ScopedEnv noPorts[4]{
        {"VANTREL_COM1", "none"}, {"VANTREL_COM2", "none"}, {"VANTREL_COM3", "none"}, {"VANTREL_COM4", "none"}};
    QTemporaryDir dir;
    RegFileStore registry{Path("registry.reg")};
    QtSerialPort port;
    QtEventPump pump;
    Bootstrap w;
    PortThreadTransfer transfer{StartQtPortThread, w.Wire};
};

// tests/data/sample.hex as records.
std::vector<sim::PhxRecord> SampleRecords();

}  // namespace vantrel::test
