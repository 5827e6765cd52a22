#pragma once
// Running the real vantrel-cli against vantrel-tavsim: a temporary directory for the
// registry, the firmware files, the tavs' reports and the user's ports file; COM1..COM4
// pointed at simulated tavs or at no device, whatever ports this machine has.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <array>
#include <fstream>
#include <optional>

#include "TavsimProcess.h"
#include "sim/PhxWriter.h"

namespace vantrel::test {

struct CliResult {
    int exitCode;
    std::string out, err;
};

class CliEndToEnd : public ::testing::Test {
protected:
    CliEndToEnd() {
        env_.insert("VANTREL_REGISTRY", Path("registry.reg"));
        env_.insert("XDG_CONFIG_HOME", Path("config"));
        env_.insert("VANTREL_RUNS", Path("runs.jsonl"));  // never the machine's own record
        for (int n = 1; n <= 4; ++n) env_.insert(QString("VANTREL_COM%1").arg(n), "none");
    }
    void SetEnv(const QString& name, const QString& value) { env_.insert(name, value); }
    void UnsetEnv(const QString& name) { env_.remove(name); }
    // Starts a vantrel-tavsim for COMn; returns the pseudo-terminal it prints first.
    std::string AttachTav(int n, QStringList args) {
        const TavsimProcess& tav = tavs_[n - 1].emplace(VANTREL_TAVSIM, args, Path(QString("tav%1.json").arg(n)));
        env_.insert(QString("VANTREL_COM%1").arg(n), QString::fromStdString(tav.SlavePath()));
        return tav.SlavePath();
    }
    // Stops the tav on COMn and reads what reached it.
    TavsimReport Report(int n) { return tavs_[n - 1]->StopAndReport(); }
    TavsimProcess& Tav(int n) { return *tavs_[n - 1]; }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    // A new firmware file for the default type table's first row ("Tav model 00", reply 11 hex).
    QString Firmware(const std::vector<sim::PhxRecord>& records, sim::PhxFaults faults = {}) {
        const QString path = Path(QString("fw%1.phx").arg(++files_));
        std::ofstream(path.toStdString(), std::ios::binary) << sim::WritePhx("Tav model 00", "2.5", records, faults);
        return path;
    }
    std::unique_ptr<QProcess> Start(const QStringList& args) {
        auto cli = std::make_unique<QProcess>();
        cli->setProcessEnvironment(env_);
        cli->setStandardInputFile(QProcess::nullDevice());  // no terminal: questions answer Cancel
        cli->start(VANTREL_CLI_PATH, args);
        return cli;
    }
    CliResult Run(const QStringList& args) { return Finish(*Start(args)); }
    // Runs until vantrel-cli blocks opening a FIFO that no one opens from the other end,
    // then sends it the signal.
    CliResult RunUntilBlockedThenSignal(const QStringList& args, int signal) {
        auto cli = Start(args);
        const std::string wchan = "/proc/" + std::to_string(cli->processId()) + "/wchan";
        std::string where;
        while (where != "wait_for_partner") {
            if (cli->waitForFinished(5)) {
                ADD_FAILURE() << "vantrel-cli ended without blocking";
                return Finish(*cli);
            }
            std::ifstream(wchan) >> where;
        }
        ::kill(static_cast<pid_t>(cli->processId()), signal);
        return Finish(*cli);
    }
    // The lines of the run record, parsed.
    std::vector<QJsonObject> RunRecord() const {
        std::vector<QJsonObject> lines;
        std::ifstream in(Path("runs.jsonl").toStdString(), std::ios::binary);
        for (std::string line; std::getline(in, line);)
            lines.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
        return lines;
    }
    QString Fifo(const QString& name) {
        EXPECT_EQ(::mkfifo(Path(name).toLocal8Bit().constData(), 0600), 0);
        return Path(name);
    }

private:
    CliResult Finish(QProcess& cli) {
        EXPECT_TRUE(cli.waitForFinished(120000)) << "vantrel-cli did not finish";
        return {cli.exitStatus() == QProcess::NormalExit ? cli.exitCode() : -1,
                cli.readAllStandardOutput().toStdString(), cli.readAllStandardError().toStdString()};
    }

    QTemporaryDir dir_;
    QProcessEnvironment env_ = QProcessEnvironment::systemEnvironment();
    std::array<std::optional<TavsimProcess>, 4> tavs_;  // stopped before the directory goes
    int files_ = 0;
};

// n records at byte addresses 0, 16, 32, ..., with data that never repeats across records.
inline std::vector<sim::PhxRecord> DistinctRecords(int n) {
    std::vector<sim::PhxRecord> records;
    std::uint32_t state = 0x2545F491u;
    for (int k = 0; k < n; ++k) {
        sim::PhxRecord& r = records.emplace_back(sim::PhxRecord{static_cast<std::uint16_t>(k * 16), {}});
        for (auto& b : r.data) b = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    }
    return records;
}

}  // namespace vantrel::test
