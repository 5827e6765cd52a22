#include "ports/PortRoots.h"

#include <cstdlib>

namespace vantrel {
namespace {

std::string Variable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value ? value : "";
}

// The XDG rule: a relative XDG_CONFIG_HOME is ignored, like an unset one.
std::filesystem::path UserConfigFolder() {
    const std::filesystem::path xdg = Variable("XDG_CONFIG_HOME");
    if (xdg.is_absolute()) return xdg;
    const std::filesystem::path home = Variable("HOME");
    if (home.is_absolute()) return home / ".config";
    return {};
}

}  // namespace

PortRoots MachinePortRoots() {
    PortRoots roots;
    for (int n = 1; n <= 4; ++n) roots.variables[n - 1] = Variable("VANTREL_COM" + std::to_string(n));
    if (const auto folder = UserConfigFolder(); !folder.empty()) roots.userPortsFile = folder / "vantrel" / "ports.conf";
    roots.systemPortsFile = "/etc/vantrel/ports.conf";
    roots.sysClassTty = "/sys/class/tty";
    roots.dev = "/dev";
    return roots;
}

}  // namespace vantrel
