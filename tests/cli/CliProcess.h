#pragma once
// Running the real vantrel-cli and vantrel-tavsim executables for end-to-end tests:
// a temporary directory with the registry file and the firmware files, COM1..COM4 pointed
// at simulated tavs or at devices that do not exist, and the tavsim's report read back.

#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "sim/PhxWriter.h"

namespace vantrel::test {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
    std::vector<std::string> OutLines() const;
    std::vector<std::string> ErrLines() const;
};

// One vantrel-tavsim: a tav on a new pseudo-terminal until Stop.
class Tavsim {
public:
    Tavsim(const QStringList& args, const QString& reportPath);
    ~Tavsim();
    const std::string& SlavePath() const { return slave_; }
    // SIGTERM, then the report it writes on the way out.
    QJsonObject StopAndReport();

private:
    QProcess process_;
    QString reportPath_;
    std::string slave_;
};

class CliBench {
public:
    CliBench();

    // Starts a tav on COMn; args are vantrel-tavsim options.
    Tavsim& AttachTav(int n, QStringList args = {});
    std::string WriteFile(const std::string& name, const std::string& content);
    std::string Path(const std::string& name) const;

    CliResult Run(const QStringList& args, int timeoutMs = 120000);
    // For runs the test talks to while they go (signals, output read as it comes).
    std::unique_ptr<QProcess> Start(const QStringList& args);
    // A run on a terminal (a pseudo-terminal for standard input, output and error):
    // each time the output shows a question's prompt, the next of `answers` is typed.
    // out holds everything the terminal showed.
    CliResult RunOnTerminal(const std::vector<std::string>& args, std::vector<std::string> answers,
                            int timeoutMs = 120000);

private:
    QProcessEnvironment Environment() const;

    QTemporaryDir dir_;
    std::array<std::string, 4> devices_;
    std::vector<std::unique_ptr<Tavsim>> tavs_;
};

// n records at byte addresses 0, 16, 32, ..., with data that never repeats across records.
std::vector<sim::PhxRecord> DistinctRecords(int n);
// The report's records as (word address, hex data) pairs, in arrival order.
std::vector<std::pair<int, std::string>> ReportedRecords(const QJsonObject& report);
// The records as the tav should have stored them: last record first.
std::vector<std::pair<int, std::string>> ExpectedArrivals(const std::vector<sim::PhxRecord>& records);

}  // namespace vantrel::test
