#pragma once
// The program's core on the Qt adapter, in real time: QSerialPort over pseudo-terminals,
// the Qt event pump, and a registry file of its own. COM1..COM4 point at devices that do
// not exist until a tav is put on one. Needs a QCoreApplication.

#include <QTemporaryDir>
#include <string>
#include <vector>

#include "app/Bootstrap.h"
#include "qt/QtEventPump.h"
#include "qt/QtSerialPort.h"
#include "registry/RegFileStore.h"
#include "sim/PhxWriter.h"
#include "TavsimProcess.h"

namespace vantrel::test {

class QtProgramRig {
public:
    explicit QtProgramRig(Dialogs& dialogs);

    void PointComAt(int n, const std::string& device);
    std::string Path(const std::string& name) const;
    std::string WriteFile(const std::string& name, const std::string& content) const;
    // The BootName a firmware file names to target tavs answering `reply`.
    std::string BootNameOf(std::uint8_t reply) const;

private:
    QTemporaryDir dir_;
    RegFileStore registry_;
    QtSerialPort port_;
    QtEventPump pump_;

public:
    Bootstrap w;
};

// tests/data/sample.hex as records.
std::vector<sim::PhxRecord> SampleRecords();
// The file's records as the tav stores them when they go last to first.
std::vector<ReportedRecord> ArrivalsOf(const std::vector<sim::PhxRecord>& records);

}  // namespace vantrel::test
