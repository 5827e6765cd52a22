#pragma once
// A port's thread on Windows, with a Win32SerialPort and a Win32EventPump made on it.
// Ctrl-C reaches the console's handler thread, never this one.

#include <memory>

#include "serial/PortThread.h"

namespace vantrel {

std::unique_ptr<PortThread> StartWin32PortThread(PortWork work, PortFailure failed);

}  // namespace vantrel
