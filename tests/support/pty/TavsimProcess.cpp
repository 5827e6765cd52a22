#include "TavsimProcess.h"

#include <signal.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace vantrel::test {

std::vector<std::string> LastToFirst(const std::vector<sim::PhxRecord>& records, std::size_t count) {
    std::vector<std::string> out;
    for (auto r = records.rbegin(); r != records.rend() && out.size() < count; ++r) {
        char hex[33];
        for (int k = 0; k < 16; ++k) std::snprintf(hex + 2 * k, 3, "%02X", r->data[k]);
        out.push_back(std::to_string(r->byteAddress / 2) + ": " + hex);
    }
    return out;
}

constexpr int kPatienceMs = 10000;  // a net for a hung simulator, not a timing assertion

TavsimProcess::TavsimProcess(const QString& executable, QStringList args, QString reportPath, const QString& tracePath)
    : reportPath_(std::move(reportPath)) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!reportPath_.isEmpty()) args << "--report" << reportPath_;
    if (!tracePath.isEmpty()) {
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.setStandardErrorFile(tracePath);
        args << "--trace";
    }
    process_.start(executable, args);
    while (!process_.canReadLine())
        if (!process_.waitForReadyRead(kPatienceMs)) throw std::runtime_error("vantrel-tavsim printed no slave path");
    slave_ = process_.readLine().trimmed().toStdString();
}

TavsimProcess::~TavsimProcess() {
    process_.kill();
    process_.waitForFinished(kPatienceMs);
}

TavsimReport ReadTavsimReport(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("no report " + path.toStdString());
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    TavsimReport report{{}, json["counts"].toObject()};
    for (const QJsonValue r : json["records"].toArray())
        report.records.push_back(std::to_string(r["wordAddress"].toInt()) + ": " + r["data"].toString().toStdString());
    return report;
}

TavsimReport TavsimProcess::StopAndReport() {
    process_.terminate();
    if (!process_.waitForFinished(kPatienceMs)) throw std::runtime_error("vantrel-tavsim did not stop");
    return ReadTavsimReport(reportPath_);
}

void TavsimProcess::Signal(int signal) { ::kill(static_cast<pid_t>(process_.processId()), signal); }

}  // namespace vantrel::test
