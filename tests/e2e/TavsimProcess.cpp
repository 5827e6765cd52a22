#include "TavsimProcess.h"

#include <stdexcept>

namespace vantrel::test {

TavsimProcess::TavsimProcess(const std::string& program, const QStringList& args) {
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QString::fromStdString(program), args);
    if (!process_.waitForStarted(5000)) throw std::runtime_error("vantrel-tavsim did not start: " + program);
    while (!process_.canReadLine()) {
        if (!process_.waitForReadyRead(5000)) throw std::runtime_error("vantrel-tavsim printed no slave path");
    }
    slavePath_ = process_.readLine().trimmed().toStdString();
}

TavsimProcess::~TavsimProcess() {
    process_.terminate();
    if (!process_.waitForFinished(3000)) {
        process_.kill();
        process_.waitForFinished(3000);
    }
}

}  // namespace vantrel::test
