#include "ports/ComPortDevice.h"

#include <cstdlib>

namespace vantrel {

std::string ComPortDevice(int n) {
    const std::string variable = "VANTREL_COM" + std::to_string(n);
    if (const char* chosen = std::getenv(variable.c_str()); chosen && *chosen) return chosen;
#ifdef _WIN32
    // The device namespace: COM10 and above are reachable only through it.
    return "\\\\.\\COM" + std::to_string(n);
#else
    return "/dev/ttyS" + std::to_string(n - 1);
#endif
}

}  // namespace vantrel
