#pragma once
// Which device stands for each of COM1..COM4, and why.

#include <array>
#include <string>
#include <vector>

#include "ports/FoundPorts.h"
#include "ports/PortRoots.h"

namespace vantrel {

enum class PortSource {
    Variable,  // VANTREL_COMn
    File,      // a ports file
    Found,     // the machine's own serial ports, in FindSerialPorts' order
    Native,    // the system's own COMn (Windows)
    Nowhere,   // nothing left for it
};

struct ComPortChoice {
    std::string device;  // empty: no device (said so with "none", or none left)
    PortSource source = PortSource::Nowhere;
    std::string origin;  // the variable's name or the file's path
};

struct ComPortMap {
    std::array<ComPortChoice, 4> com;
    std::vector<FoundPort> found;       // every serial port found (read only when needed)
    std::vector<std::string> problems;  // lines of the ports files that were ignored
};

// For each COMn: VANTREL_COMn when set; else the user's ports file, then the system's;
// else the next port found that none of those names (on Windows: the system's COMn).
// withFound reads the machine's serial ports even when every COMn is named otherwise.
ComPortMap MapComPorts(const PortRoots& roots, bool withFound = false);

}  // namespace vantrel
