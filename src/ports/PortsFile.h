#pragma once
// The ports file: one line per COM port, "COM1=/dev/serial/by-id/usb-...", with blank
// lines and "#" comment lines. "COMn=none" says that COMn has no device at all.

#include <array>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// The value that stands for "no device here", in a ports file and in VANTREL_COMn.
inline constexpr std::string_view kNoDevice = "none";

// A value as written ("none" in any case) to the device it names; "" for no device.
std::string DeviceOfValue(const std::string& value);

struct PortsFileContents {
    std::array<std::optional<std::string>, 4> devices;  // set for each COMn the file names; "" for none
    std::vector<std::string> problems;                  // one text per line that was ignored
};

// fileName only serves the problem texts.
PortsFileContents ParsePortsFile(std::string_view text, const std::string& fileName);

// A missing file names nothing and is no problem; anything else that cannot be read (a
// folder, a FIFO, a device, no permission, too large) is one problem.
PortsFileContents ReadPortsFile(const std::filesystem::path& file);

// A whole file naming these devices ("" writes "none"; a port without a value is left to
// the ports found), with a comment line on top.
std::string FormatPortsFile(const std::array<std::optional<std::string>, 4>& devices, const std::string& comment);

}  // namespace vantrel
