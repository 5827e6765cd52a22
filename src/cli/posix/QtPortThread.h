#pragma once
// A port's thread on Linux: a QThread (QSerialPort's notifiers need its event dispatcher)
// with a QtSerialPort and a QtEventPump made on it.

#include <memory>

#include "cli/PortThread.h"

namespace vantrel::cli {

std::unique_ptr<PortThread> StartQtPortThread(PortWork work, PortFailure failed);

}  // namespace vantrel::cli
