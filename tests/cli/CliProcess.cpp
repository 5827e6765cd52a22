#include "cli/CliProcess.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <algorithm>
#include <fstream>
#include <sstream>

namespace vantrel::test {
namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

}  // namespace

std::vector<std::string> CliResult::OutLines() const { return SplitLines(out); }
std::vector<std::string> CliResult::ErrLines() const { return SplitLines(err); }

Tavsim::Tavsim(const QStringList& args, const QString& reportPath) : reportPath_(reportPath) {
    process_.setProgram(VANTREL_TAVSIM_PATH);
    process_.setArguments(QStringList(args) << "--report" << reportPath);
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start();
    if (!process_.waitForStarted(10000)) throw std::runtime_error("vantrel-tavsim did not start");
    while (!process_.canReadLine()) {
        if (!process_.waitForReadyRead(10000)) throw std::runtime_error("vantrel-tavsim printed no slave path");
    }
    slave_ = process_.readLine().trimmed().toStdString();
}

Tavsim::~Tavsim() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000)) process_.kill();
        process_.waitForFinished(5000);
    }
}

QJsonObject Tavsim::StopAndReport() {
    process_.terminate();
    if (!process_.waitForFinished(10000)) ADD_FAILURE() << "vantrel-tavsim did not stop on SIGTERM";
    QFile file(reportPath_);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "no tavsim report at " << reportPath_.toStdString();
        return {};
    }
    return QJsonDocument::fromJson(file.readAll()).object();
}

CliBench::CliBench() {
    if (!dir_.isValid()) throw std::runtime_error("no temporary directory");
    // Ports without a tav name devices that do not exist, so they never open.
    for (int n = 1; n <= 4; ++n) devices_[n - 1] = Path("no-such-port-" + std::to_string(n));
}

Tavsim& CliBench::AttachTav(int n, QStringList args) {
    const QString report = QString::fromStdString(Path("tav" + std::to_string(n) + "-report.json"));
    tavs_.push_back(std::make_unique<Tavsim>(args, report));
    devices_[n - 1] = tavs_.back()->SlavePath();
    return *tavs_.back();
}

std::string CliBench::Path(const std::string& name) const { return dir_.filePath(QString::fromStdString(name)).toStdString(); }

std::string CliBench::WriteFile(const std::string& name, const std::string& content) {
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

QProcessEnvironment CliBench::Environment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (int n = 1; n <= 4; ++n)
        env.insert("VANTREL_COM" + QString::number(n), QString::fromStdString(devices_[n - 1]));
    env.insert("VANTREL_REGISTRY", QString::fromStdString(Path("registry.reg")));
    return env;
}

std::unique_ptr<QProcess> CliBench::Start(const QStringList& args) {
    auto process = std::make_unique<QProcess>();
    process->setProgram(VANTREL_CLI_PATH);
    process->setArguments(args);
    process->setProcessEnvironment(Environment());
    process->setProcessChannelMode(QProcess::SeparateChannels);
    process->setStandardInputFile(QProcess::nullDevice());  // no terminal: questions answer Cancel
    process->start();
    if (!process->waitForStarted(10000)) throw std::runtime_error("vantrel-cli did not start");
    return process;
}

CliResult CliBench::Run(const QStringList& args, int timeoutMs) {
    auto process = Start(args);
    if (!process->waitForFinished(timeoutMs)) {
        process->kill();
        process->waitForFinished();
        ADD_FAILURE() << "vantrel-cli did not finish within " << timeoutMs << " ms";
    }
    CliResult r;
    r.exitCode = process->exitStatus() == QProcess::NormalExit ? process->exitCode() : -1;
    r.out = process->readAllStandardOutput().toStdString();
    r.err = process->readAllStandardError().toStdString();
    return r;
}

CliResult CliBench::RunOnTerminal(const std::vector<std::string>& args, std::vector<std::string> answers,
                                  int timeoutMs) {
    const QProcessEnvironment env = Environment();
    std::vector<std::string> argv{VANTREL_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argp;
    for (auto& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    std::vector<std::string> envText;
    for (const QString& entry : env.toStringList()) envText.push_back(entry.toStdString());
    std::vector<char*> envp;
    for (auto& e : envText) envp.push_back(e.data());
    envp.push_back(nullptr);

    int master = -1;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
    if (pid < 0) throw std::runtime_error("forkpty failed");
    if (pid == 0) {
        ::execve(argp[0], argp.data(), envp.data());
        ::_exit(127);
    }

    CliResult r;
    std::size_t prompts = 0;
    int waited = 0;
    for (;;) {
        pollfd fd{master, POLLIN, 0};
        const int ready = ::poll(&fd, 1, 100);
        if (ready == 0) {
            if ((waited += 100) > timeoutMs) {
                ::kill(pid, SIGKILL);
                ADD_FAILURE() << "vantrel-cli on a terminal did not finish: " << r.out;
                break;
            }
            continue;
        }
        char buffer[4096];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0) break;  // EIO: the program has gone and the terminal closed
        r.out.append(buffer, static_cast<std::size_t>(n));
        const std::string prompt = "OK or Cancel? [ok/cancel] ";
        std::size_t count = 0;
        for (std::size_t at = r.out.find(prompt); at != std::string::npos; at = r.out.find(prompt, at + 1)) ++count;
        while (prompts < count) {
            const std::string typed = prompts < answers.size() ? answers[prompts] + "\n" : "\n";
            ++prompts;
            [[maybe_unused]] const auto written = ::write(master, typed.data(), typed.size());
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::close(master);
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

std::vector<sim::PhxRecord> DistinctRecords(int n) {
    std::vector<sim::PhxRecord> records;
    std::uint32_t state = 0x2545F491u;
    for (int k = 0; k < n; ++k) {
        sim::PhxRecord r{static_cast<std::uint16_t>(k * 16), {}};
        for (auto& b : r.data) {
            state = state * 1664525u + 1013904223u;  // a plain LCG: no block equals another
            b = static_cast<std::uint8_t>(state >> 24);
        }
        records.push_back(r);
    }
    return records;
}

std::vector<std::pair<int, std::string>> ReportedRecords(const QJsonObject& report) {
    std::vector<std::pair<int, std::string>> out;
    for (const QJsonValue& v : report["records"].toArray())
        out.emplace_back(v["wordAddress"].toInt(), v["data"].toString().toStdString());
    return out;
}

std::vector<std::pair<int, std::string>> ExpectedArrivals(const std::vector<sim::PhxRecord>& records) {
    std::vector<std::pair<int, std::string>> out;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        std::string hex;
        char digits[3];
        for (std::uint8_t b : it->data) {
            std::snprintf(digits, sizeof digits, "%02X", b);
            hex += digits;
        }
        out.emplace_back(it->byteAddress / 2, hex);
    }
    return out;
}

}  // namespace vantrel::test
