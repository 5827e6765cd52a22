#pragma once
// Which device of this machine stands for COMn.

#include <string>

namespace vantrel {

// VANTREL_COMn when set (e.g. VANTREL_COM1=/dev/ttyUSB0), else "\\.\COMn" on Windows and
// "/dev/ttyS(n-1)" elsewhere. Read at every opening, so a change takes effect then.
std::string ComPortDevice(int n);

}  // namespace vantrel
