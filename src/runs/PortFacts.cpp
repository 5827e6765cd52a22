#include "runs/PortFacts.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "ports/ComPortDevice.h"
#include "ports/FoundPorts.h"
#include "ports/PortRoots.h"

namespace vantrel::runs {

PortFacts DescribePort(int comPort) {
    PortFacts facts;
    facts.device = ComPortDevice(comPort);
#ifndef _WIN32
    namespace fs = std::filesystem;
    if (facts.device.empty()) return facts;
    const PortRoots roots = MachinePortRoots();
    if (fs::path(facts.device).parent_path() == roots.dev / "serial" / "by-id") {
        facts.byId = facts.device;
        return facts;
    }
    const std::vector<FoundPort> found = FindSerialPorts(roots.sysClassTty, roots.dev);
    const auto same = std::ranges::find_if(found, [&](const FoundPort& port) {
        std::error_code error;
        return port.device == facts.device || fs::equivalent(port.device, facts.device, error);
    });
    if (same != found.end()) facts.byId = same->byId;
#endif
    return facts;
}

}  // namespace vantrel::runs
