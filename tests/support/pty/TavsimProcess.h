#pragma once
// One vantrel-tavsim process: a simulated tav on a fresh pseudo-terminal. With a report
// path, StopAndReport ends it with SIGTERM and reads what reached the tav; otherwise it
// is killed when destroyed.

#include <QJsonObject>
#include <QProcess>
#include <string>
#include <vector>

#include "sim/PhxWriter.h"

namespace vantrel::test {

struct TavsimReport {
    std::vector<std::string> records;  // "word address: 32 hex digits", in arrival order
    QJsonObject counts;                // recordFrames, completions, badBlocks, ...
};

// The first `count` of a file's records as a report shows them when they are sent last
// to first, as the program does.
std::vector<std::string> LastToFirst(const std::vector<sim::PhxRecord>& records, std::size_t count = SIZE_MAX);

// A report file as the simulator writes it (throws when it cannot be read).
TavsimReport ReadTavsimReport(const QString& path);

class TavsimProcess {
public:
    // Starts `executable` with `args` (plus --report when a path is given, and --trace
    // into `tracePath` when one is given); throws std::runtime_error when it does not come
    // up with a slave path.
    TavsimProcess(const QString& executable, QStringList args, QString reportPath = {}, const QString& tracePath = {});
    ~TavsimProcess();
    TavsimProcess(const TavsimProcess&) = delete;
    TavsimProcess& operator=(const TavsimProcess&) = delete;
    const std::string& SlavePath() const { return slave_; }
    // SIGTERM, wait for the exit, read the report (throws when there is none).
    TavsimReport StopAndReport();
    // SIGUSR1 unplugs the tav, SIGUSR2 plugs in a new one.
    void Signal(int signal);

private:
    QProcess process_;
    QString reportPath_;
    std::string slave_;
};

}  // namespace vantrel::test
