#pragma once
// Why a serial device that exists cannot be opened by this user, in words the user can act
// on: on Debian the serial devices belong to the group dialout.

#include <string>

namespace vantrel {

struct DeniedAccess {
    std::string device;
    std::string group;          // the device's group; empty when it has no name
    bool inGroupNow = false;    // this process has the group
    bool listedInGroup = false; // the group database lists the user (added since logging in)
};

// One sentence about a device this user may not open, e.g. "cannot open /dev/ttyUSB0:
// permission denied; it belongs to the group dialout, which you are not in (...)".
std::string DescribeDenied(const DeniedAccess& denied);

// DescribeDenied for device when it exists and this process may not read and write it;
// empty when it may, when it is missing, and on systems without groups.
std::string PermissionProblem(const std::string& device);

}  // namespace vantrel
