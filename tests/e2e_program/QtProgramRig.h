#pragma once
// The program's core on the Qt adapter, in real time: QSerialPort over pseudo-terminals,
// the Qt event pump and a registry file of its own; Form_Load has run. COM1..COM4 lead
// nowhere until a test points one at a tav. Needs a QCoreApplication.

#include <QTemporaryDir>
#include <cstdlib>
#include <string>
#include <vector>

#include "TavsimProcess.h"
#include "app/Bootstrap.h"
#include "qt/QtEventPump.h"
#include "qt/QtSerialPort.h"
#include "registry/RegFileStore.h"
#include "sim/PhxWriter.h"

namespace vantrel::test {

struct QtProgramRig {
    explicit QtProgramRig(Dialogs& dialogs) : w(port, pump, dialogs, registry) {
        for (int n = 1; n <= 4; ++n) setenv(("VANTREL_COM" + std::to_string(n)).c_str(), "none", 1);  // no ports but the test's
        Form_Load(w);
    }
    std::string Path(const char* name) const { return (dir.path() + "/" + name).toStdString(); }

    QTemporaryDir dir;
    RegFileStore registry{Path("registry.reg")};
    QtSerialPort port;
    QtEventPump pump;
    Bootstrap w;
};

// tests/data/sample.hex as records.
std::vector<sim::PhxRecord> SampleRecords();

}  // namespace vantrel::test
