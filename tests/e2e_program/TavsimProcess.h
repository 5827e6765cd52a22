#pragma once
// One vantrel-tavsim process: a simulated tav on a fresh pseudo-terminal, stopped with
// SIGTERM, after which its JSON report tells what reached the tav.

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
    // Starts `executable` with `args` plus --report; throws std::runtime_error when it
    // does not come up with a slave path.
    TavsimProcess(const QString& executable, QStringList args, QString reportPath);
    ~TavsimProcess();
    const std::string& SlavePath() const { return slave_; }
    // SIGTERM, wait for the exit, read the report (throws when there is none).
    TavsimReport StopAndReport();

private:
    QProcess process_;
    QString reportPath_;
    std::string slave_;
};

}  // namespace vantrel::test
