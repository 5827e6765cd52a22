#pragma once
// One vantrel-tavsim process: a simulated tav on a fresh pseudo-terminal, stopped with
// SIGTERM, after which its JSON report tells what reached the tav.

#include <QProcess>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace vantrel::test {

struct ReportedRecord {
    int wordAddress = 0;
    std::string hexData;  // 32 upper-case hex digits
    bool operator==(const ReportedRecord&) const = default;
};

struct TavsimReport {
    std::vector<ReportedRecord> records;  // arrival order
    int recordFrames = 0;
    int completions = 0;
    int badBlocks = 0;
    std::vector<int> commands;
};

class TavsimProcess {
public:
    // Starts `executable` with `args` plus --report; throws std::runtime_error when it
    // does not come up with a slave path.
    TavsimProcess(const QString& executable, QStringList args, QString reportPath);
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
