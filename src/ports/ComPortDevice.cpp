#include "ports/ComPortDevice.h"

#include <cstdio>
#include <set>

#include "ports/ComPortMap.h"
#include "ports/PortsFile.h"

namespace vantrel {
namespace {

// Each ignored line is named once per run, not at every opening of every port.
void WarnOnce(const std::vector<std::string>& problems) {
    static std::set<std::string> told;
    for (const std::string& problem : problems) {
        if (told.insert(problem).second) std::fprintf(stderr, "vantrel: %s\n", problem.c_str());
    }
}

}  // namespace

std::string ComPortDevice(int n) {
    const PortRoots roots = MachinePortRoots();
    if (n < 1 || n > 4) return {};
    // A variable decides alone: no file or device folder need be read for it.
    if (!roots.variables[n - 1].empty()) return DeviceOfValue(roots.variables[n - 1]);
    const ComPortMap map = MapComPorts(roots);
    WarnOnce(map.problems);
    return map.com[n - 1].device;
}

}  // namespace vantrel
