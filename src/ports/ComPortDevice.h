#pragma once
// Which device of this machine stands for COMn.

#include <string>

namespace vantrel {

// COMn's device as MapComPorts gives it for this process and machine; empty when COMn has
// no device. Read at every opening, so a change (a variable, a ports file, an adapter
// plugged in) takes effect then. A ports file line that is ignored is named once on
// standard error.
std::string ComPortDevice(int n);

}  // namespace vantrel
