#include "ports/FoundPorts.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <system_error>
#include <tuple>

namespace vantrel {
namespace {

namespace fs = std::filesystem;

// The kinds in the order in which they become COM ports.
constexpr std::string_view kKinds[] = {"ttyUSB", "ttyACM", "ttyS"};

struct SortKey {
    std::size_t kind;
    unsigned number;
    auto operator<=>(const SortKey&) const = default;
};

// "ttyUSB12" -> {0, 12}; a name of another kind, or without a number, is no serial port.
std::optional<SortKey> KeyOf(std::string_view name) {
    for (std::size_t kind = 0; kind < std::size(kKinds); ++kind) {
        if (!name.starts_with(kKinds[kind])) continue;
        const std::string_view digits = name.substr(kKinds[kind].size());
        unsigned number = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (digits.empty() || error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
        return SortKey{kind, number};
    }
    return std::nullopt;
}

// A sysfs attribute's first line, without its line end; empty when it cannot be read.
std::string Attribute(const fs::path& file) {
    std::error_code error;
    if (!fs::is_regular_file(file, error)) return {};
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The names that /sys/class/tty/console/active lists, e.g. "tty0 ttyS0".
std::set<std::string> ConsoleNames(const fs::path& sysClassTty) {
    std::istringstream words(Attribute(sysClassTty / "console" / "active"));
    return {std::istream_iterator<std::string>(words), {}};
}

// A serial8250 port without hardware behind it says so with type 0 (PORT_UNKNOWN).
bool HasUart(const fs::path& ttyFolder) {
    const std::string type = Attribute(ttyFolder / "type");
    unsigned value = 0;
    const auto [end, error] = std::from_chars(type.data(), type.data() + type.size(), value);
    return !type.empty() && error == std::errc{} && value != 0;
}

// The USB device above the tty (the folder with idVendor), if there is one inside sysfs.
fs::path UsbDeviceOf(const fs::path& ttyFolder, const fs::path& sysRoot) {
    std::error_code error;
    fs::path at = fs::canonical(ttyFolder / "device", error);
    if (error) return {};
    for (; at.has_relative_path() && at != sysRoot; at = at.parent_path()) {
        if (fs::exists(at / "idVendor", error)) return at;
    }
    return {};
}

// by-id link name for each tty name; the first in name order when a device has several.
std::map<std::string, std::string> ByIdNames(const fs::path& dev) {
    std::map<std::string, std::string> names;
    std::error_code error;
    const fs::path folder = dev / "serial" / "by-id";
    std::vector<fs::path> links;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error)) {
        std::error_code notLink;
        if (entry->is_symlink(notLink)) links.push_back(entry->path());
    }
    std::ranges::sort(links);
    for (const fs::path& link : links) {
        const fs::path target = fs::read_symlink(link, error);
        if (!error) names.try_emplace(target.filename().string(), link.string());
    }
    return names;
}

}  // namespace

std::vector<FoundPort> FindSerialPorts(const fs::path& sysClassTty, const fs::path& dev) {
    std::error_code rootError, error;
    const fs::path sysRoot = fs::weakly_canonical(sysClassTty, rootError).parent_path().parent_path();
    const std::set<std::string> console = ConsoleNames(sysClassTty);
    const std::map<std::string, std::string> byId = ByIdNames(dev);

    std::vector<std::pair<SortKey, FoundPort>> found;
    // Read without exceptions: this runs at every port opening, where only a SerialError
    // may come out, and a tty that goes away meanwhile is simply not found.
    for (fs::directory_iterator entry(sysClassTty, error), end; !error && entry != end; entry.increment(error)) {
        const fs::path folder = entry->path();
        const std::string name = folder.filename().string();
        const auto key = KeyOf(name);
        if (!key || console.contains(name)) continue;
        if (kKinds[key->kind] == "ttyS" && !HasUart(folder)) continue;

        FoundPort port;
        port.name = name;
        port.device = (dev / name).string();
        if (const auto link = byId.find(name); link != byId.end()) port.byId = link->second;
        if (const fs::path usb = UsbDeviceOf(folder, sysRoot); !usb.empty()) {
            port.description = Attribute(usb / "product");
            port.manufacturer = Attribute(usb / "manufacturer");
            port.serialNumber = Attribute(usb / "serial");
        }
        found.emplace_back(*key, std::move(port));
    }
    std::ranges::sort(found, {}, &std::pair<SortKey, FoundPort>::first);

    std::vector<FoundPort> ports;
    for (auto& [key, port] : found) ports.push_back(std::move(port));
    return ports;
}

}  // namespace vantrel
