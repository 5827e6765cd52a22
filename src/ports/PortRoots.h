#pragma once
// Where the COM port mapping reads the machine: the variables, the two ports files, the
// tty class folder of sysfs and /dev. The tests pass a folder of their own instead.

#include <array>
#include <filesystem>
#include <string>

namespace vantrel {

struct PortRoots {
    std::array<std::string, 4> variables;  // VANTREL_COM1..4 as set; empty when unset
    std::filesystem::path userPortsFile;   // empty when there is no home folder
    std::filesystem::path systemPortsFile;
    std::filesystem::path sysClassTty;     // e.g. /sys/class/tty
    std::filesystem::path dev;             // e.g. /dev
};

// This process's environment and this machine's folders: $XDG_CONFIG_HOME/vantrel/ports.conf
// (default ~/.config/vantrel/ports.conf), /etc/vantrel/ports.conf, /sys/class/tty, /dev.
PortRoots MachinePortRoots();

}  // namespace vantrel
