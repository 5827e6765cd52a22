#include "TavsimProcess.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <stdexcept>

namespace vantrel::test {

constexpr int kPatienceMs = 10000;  // a net for a hung simulator, not a timing assertion

TavsimProcess::TavsimProcess(const QString& executable, QStringList args, QString reportPath)
    : reportPath_(std::move(reportPath)) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!reportPath_.isEmpty()) args << "--report" << reportPath_;
    process_.start(executable, args);
    while (!process_.canReadLine())
        if (!process_.waitForReadyRead(kPatienceMs)) throw std::runtime_error("vantrel-tavsim printed no slave path");
    slave_ = process_.readLine().trimmed().toStdString();
}

TavsimProcess::~TavsimProcess() {
    process_.kill();
    process_.waitForFinished(kPatienceMs);
}

TavsimReport TavsimProcess::StopAndReport() {
    process_.terminate();
    QFile file(reportPath_);
    if (!process_.waitForFinished(kPatienceMs) || !file.open(QIODevice::ReadOnly))
        throw std::runtime_error("vantrel-tavsim did not stop with a report");
    const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
    TavsimReport report{{}, json["counts"].toObject()};
    for (const QJsonValue r : json["records"].toArray())
        report.records.push_back(std::to_string(r["wordAddress"].toInt()) + ": " + r["data"].toString().toStdString());
    return report;
}

}  // namespace vantrel::test
