#pragma once
// vantrel-cli ports [--save] [--json]: which device stands for COM1..COM4 and why, and
// every serial port found; --save first writes the mapping to the user's ports file.

#include <cstdio>

#include "cli/ExitCodes.h"
#include "ports/PortRoots.h"

namespace vantrel::cli {

ExitCode RunPortsCommand(const PortRoots& roots, bool save, bool json, std::FILE* out, std::FILE* err);

}  // namespace vantrel::cli
