#pragma once
// A port's thread under Qt: a QThread (QSerialPort's notifiers need its event dispatcher)
// with a QtSerialPort and a QtEventPump made on it.

#include <memory>

#include "serial/PortThread.h"

namespace vantrel {

std::unique_ptr<PortThread> StartQtPortThread(PortWork work, PortFailure failed);

}  // namespace vantrel
