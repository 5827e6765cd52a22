#include "cli/PortsCommand.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <system_error>

#include "files/ReplaceFile.h"
#include "ports/ComPortMap.h"
#include "ports/PortInUse.h"
#include "ports/PortPermission.h"
#include "ports/PortsFile.h"

namespace vantrel::cli {
namespace {

namespace fs = std::filesystem;

const char* SourceName(PortSource source) {
    switch (source) {
        case PortSource::Variable: return "variable";
        case PortSource::File: return "file";
        case PortSource::Found: return "found";
        case PortSource::Native: return "windows";
        case PortSource::Nowhere: break;
    }
    return "nowhere";
}

std::string Because(const ComPortChoice& choice) {
    switch (choice.source) {
        case PortSource::Variable: return "set by " + choice.origin;
        case PortSource::File: return "from " + choice.origin;
        case PortSource::Found: return "found";
        case PortSource::Native: return "the Windows port";
        case PortSource::Nowhere: break;
    }
    return "no serial port found for it";
}

bool SamePort(const std::string& a, const std::string& b) {
    std::error_code error;
    return a == b || fs::equivalent(a, b, error);
}

// The name that stays with the adapter when the kernel's numbers change.
std::string StableName(const std::string& device, const std::vector<FoundPort>& found) {
    const auto port = std::ranges::find_if(found, [&](const FoundPort& p) { return SamePort(p.device, device); });
    return port != found.end() && !port->byId.empty() ? port->byId : device;
}

// The mapping without the variables (they are for one run), by stable names, into the
// user's ports file. Only a regular file is replaced: a symlink's target is written.
std::string SaveMapping(const PortRoots& roots) {
#ifdef _WIN32
    // Windows has its own COMn: there is no ports file to write.
    (void)roots;
    throw std::runtime_error("ports --save is for Linux: on Windows COMn is the system's own");
#else
    if (roots.userPortsFile.empty()) throw std::runtime_error("no home folder for the ports file");
    PortRoots withoutVariables = roots;
    withoutVariables.variables = {};
    const ComPortMap map = MapComPorts(withoutVariables, true);
    std::array<std::optional<std::string>, 4> devices;
    for (int i = 0; i < 4; ++i) {
        if (map.com[i].source == PortSource::Nowhere) continue;
        devices[i] = map.com[i].device.empty() ? "" : StableName(map.com[i].device, map.found);
    }

    std::error_code error;
    const fs::path file = fs::weakly_canonical(roots.userPortsFile, error);
    const auto type = fs::status(file, error).type();
    if (type != fs::file_type::not_found && type != fs::file_type::regular)
        throw std::runtime_error(file.string() + " is not a regular file: not replaced");
    fs::create_directories(file.parent_path(), error);
    if (!error) error = files::ReplaceFileAtomically(file, FormatPortsFile(devices, "Written by vantrel-cli ports --save"));
    if (error) throw std::runtime_error("cannot write " + file.string() + ": " + error.message());
    return file.string();
#endif
}

void Print(std::FILE* stream, const std::string& line) {
    std::fputs(line.c_str(), stream);
    std::fputc('\n', stream);
}

void Emit(std::FILE* out, const nlohmann::json& event) {
    Print(out, event.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

std::string FoundLine(const FoundPort& port) {
    std::string line = port.device;
    if (!port.description.empty()) line += "  " + port.description;
    if (!port.manufacturer.empty()) line += "  maker: " + port.manufacturer;
    if (!port.serialNumber.empty()) line += "  serial number: " + port.serialNumber;
    return line;
}

}  // namespace

ExitCode RunPortsCommand(const PortRoots& roots, bool save, bool json, std::FILE* out, std::FILE* err) {
    const auto note = [&](const std::string& text) {
        if (json) Emit(out, {{"event", "note"}, {"text", text}});
        else Print(err, "vantrel-cli: " + text);
    };
    const auto outcome = [&](ExitCode code, const std::string& summary) {
        if (json) Emit(out, {{"event", "outcome"}, {"result", code == ExitCode::Succeeded ? "ok" : "failure"},
                             {"exit", ToInt(code)}, {"summary", summary}});
        else if (code != ExitCode::Succeeded) Print(err, "vantrel-cli: " + summary);
        else if (!summary.empty()) Print(out, summary);
        return code;
    };

    std::string saved;
    if (save) {
        try {
            saved = SaveMapping(roots);
        } catch (const std::exception& e) {
            return outcome(ExitCode::Failure, e.what());
        }
    }

    const ComPortMap map = MapComPorts(roots, true);
    for (const std::string& problem : map.problems) note(problem);
    for (int n = 1; n <= 4; ++n) {
        const ComPortChoice& com = map.com[n - 1];
        const std::string denied = com.device.empty() ? "" : PermissionProblem(com.device);
        const bool inUse = FlockHeldOn(com.device);
        if (json) {
            nlohmann::json event = {{"event", "com"}, {"port", n}, {"device", com.device},
                                    {"source", SourceName(com.source)}, {"origin", com.origin}, {"inUse", inUse}};
            if (!denied.empty()) event["access"] = denied;
            Emit(out, event);
            continue;
        }
        Print(out, "COM" + std::to_string(n) + "  " + (com.device.empty() ? "no device" : com.device) + "  (" +
                       Because(com) + ")");
        if (inUse) Print(out, "      in use by another program");
        if (!denied.empty()) Print(out, "      " + denied);
    }

    if (!json) Print(out, map.found.empty() ? "No serial port found." : "Serial ports found:");
    for (const FoundPort& port : map.found) {
        if (json) {
            Emit(out, {{"event", "found"}, {"device", port.device}, {"by_id", port.byId},
                       {"description", port.description}, {"manufacturer", port.manufacturer},
                       {"serial_number", port.serialNumber}});
            continue;
        }
        Print(out, "  " + FoundLine(port));
        if (!port.byId.empty()) Print(out, "      " + port.byId);
    }
    return outcome(ExitCode::Succeeded, saved.empty() ? "" : "COM1 to COM4 saved to " + saved);
}

}  // namespace vantrel::cli
