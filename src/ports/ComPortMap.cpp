#include "ports/ComPortMap.h"

#include <algorithm>
#include <system_error>

#include "ports/PortsFile.h"

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// The device a name leads to, so that a by-id link and its ttyUSB0 count as one port.
// A bare name ("ttyUSB0") means the same device under dev, as the serial port takes it.
fs::path Identity(const std::string& device, const fs::path& dev) {
    const fs::path path = fs::path(device).is_absolute() ? fs::path(device) : dev / device;
    std::error_code error;
    const fs::path resolved = fs::weakly_canonical(path, error);
    return error ? path : resolved;
}

}  // namespace

ComPortMap MapComPorts(const PortRoots& roots, bool withFound) {
    ComPortMap map;
    std::array<bool, 4> named{};
    const auto name = [&](int i, std::string device, PortSource source, std::string origin) {
        map.com[i] = {std::move(device), source, std::move(origin)};
        named[i] = true;
    };
    for (int i = 0; i < 4; ++i) {
        if (!roots.variables[i].empty())
            name(i, DeviceOfValue(roots.variables[i]), PortSource::Variable, "VANTREL_COM" + std::to_string(i + 1));
    }
    for (const fs::path& file : {roots.userPortsFile, roots.systemPortsFile}) {
        if (file.empty()) continue;
        PortsFileContents contents = ReadPortsFile(file);
        std::ranges::move(contents.problems, std::back_inserter(map.problems));
        for (int i = 0; i < 4; ++i) {
            if (!named[i] && contents.devices[i]) name(i, *contents.devices[i], PortSource::File, file.string());
        }
    }

#ifdef _WIN32
    for (int i = 0; i < 4; ++i) {
        if (!named[i]) name(i, "COM" + std::to_string(i + 1), PortSource::Native, "");
    }
#endif
    if (std::ranges::all_of(named, std::identity{}) && !withFound) return map;

    map.found = FindSerialPorts(roots.sysClassTty, roots.dev);
    std::vector<fs::path> taken;
    for (int i = 0; i < 4; ++i) {
        if (named[i] && !map.com[i].device.empty()) taken.push_back(Identity(map.com[i].device, roots.dev));
    }
    auto next = map.found.begin();
    for (int i = 0; i < 4; ++i) {
        if (named[i]) continue;
        next = std::ranges::find_if(next, map.found.end(), [&](const FoundPort& port) {
            return std::ranges::find(taken, Identity(port.device, roots.dev)) == taken.end();
        });
        if (next == map.found.end()) break;
        map.com[i] = {next->device, PortSource::Found, ""};
        ++next;
    }
    return map;
}

}  // namespace vantrel
