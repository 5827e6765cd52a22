#pragma once
// Which device a COM port of a run was: the device it maps to now, and on Linux the
// adapter's stable name under /dev/serial/by-id where it has one.

#include <string>

namespace vantrel::runs {

struct PortFacts {
    std::string device;  // empty: COMn has no device
    std::string byId;    // empty: none
};

PortFacts DescribePort(int comPort);

}  // namespace vantrel::runs
