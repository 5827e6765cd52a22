#pragma once
// The serial ports that this machine really has, read from sysfs and /dev.

#include <filesystem>
#include <string>
#include <vector>

namespace vantrel {

struct FoundPort {
    std::string name;          // the kernel's name, e.g. "ttyUSB0"
    std::string device;        // dev / name
    std::string byId;          // its stable name under dev/serial/by-id; empty when none
    std::string description;   // USB: the product text; empty for a built-in port
    std::string manufacturer;  // USB: the maker
    std::string serialNumber;  // USB: the adapter's serial number
};

// USB adapters (ttyUSB*, then ttyACM*), then built-in ports (ttyS*) that have a UART, each
// kind by its number (ttyUSB2 before ttyUSB10). Never a port that is the system console.
// Plugging order decides the kernel's numbers: the by-id names are what stays the same.
std::vector<FoundPort> FindSerialPorts(const std::filesystem::path& sysClassTty, const std::filesystem::path& dev);

}  // namespace vantrel
