#include "TavsimProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <stdexcept>

namespace vantrel::test {
namespace {

constexpr int kStartMs = 10000;
constexpr int kStopMs = 10000;

}  // namespace

TavsimProcess::TavsimProcess(const QString& executable, QStringList args, QString reportPath)
    : reportPath_(std::move(reportPath)) {
    args << "--report" << reportPath_;
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(executable, args);
    if (!process_.waitForStarted(kStartMs)) throw std::runtime_error("vantrel-tavsim did not start");
    while (!process_.canReadLine())
        if (!process_.waitForReadyRead(kStartMs)) throw std::runtime_error("vantrel-tavsim printed no slave path");
    slave_ = process_.readLine().trimmed().toStdString();
}

TavsimProcess::~TavsimProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(kStopMs);
    }
}

TavsimReport TavsimProcess::StopAndReport() {
    process_.terminate();
    if (!process_.waitForFinished(kStopMs)) throw std::runtime_error("vantrel-tavsim did not stop");
    QFile file(reportPath_);
    if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("vantrel-tavsim wrote no report");
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();

    TavsimReport report;
    for (const QJsonValue r : json["records"].toArray())
        report.records.push_back({r["wordAddress"].toInt(), r["data"].toString().toStdString()});
    const QJsonObject counts = json["counts"].toObject();
    report.recordFrames = counts["recordFrames"].toInt();
    report.completions = counts["completions"].toInt();
    report.badBlocks = counts["badBlocks"].toInt();
    for (const QJsonValue c : json["commands"].toArray()) report.commands.push_back(c.toInt());
    return report;
}

}  // namespace vantrel::test
