#pragma once
// One vantrel-tavsim process: a simulated tav on a fresh pseudo-terminal. With a report
// path, StopAndReport ends it with SIGTERM and reads what reached the tav; otherwise it
// is killed when destroyed.

#include <QJsonObject>
#include <QProcess>
#include <string>
#include <vector>

namespace vantrel::test {

struct TavsimReport {
    std::vector<std::string> records;  // "word address: 32 hex digits", in arrival order
    QJsonObject counts;                // recordFrames, completions, badBlocks, ...
};

class TavsimProcess {
public:
    // Starts `executable` with `args` (plus --report when a path is given); throws
    // std::runtime_error when it does not come up with a slave path.
    TavsimProcess(const QString& executable, QStringList args, QString reportPath = {});
    ~TavsimProcess();
    TavsimProcess(const TavsimProcess&) = delete;
    TavsimProcess& operator=(const TavsimProcess&) = delete;
    const std::string& SlavePath() const { return slave_; }
    // SIGTERM, wait for the exit, read the report (throws when there is none).
    TavsimReport StopAndReport();

private:
    QProcess process_;
    QString reportPath_;
    std::string slave_;
};

}  // namespace vantrel::test
