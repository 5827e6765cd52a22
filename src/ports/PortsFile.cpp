#include "ports/PortsFile.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <system_error>

namespace vantrel {
namespace {

// Far more than four lines and their comments can need; a bigger file is not ours.
constexpr std::uintmax_t kMaxFileBytes = 64 * 1024;

std::string_view Trimmed(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameLetters(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) ==
                                                                std::tolower(static_cast<unsigned char>(y)); });
}

// "COM1".."COM4" in any case: 1..4; 0 for anything else.
int ComNumber(std::string_view key) {
    if (key.size() != 4 || !SameLetters(key.substr(0, 3), "COM") || key[3] < '1' || key[3] > '4') return 0;
    return key[3] - '0';
}

PortsFileContents OneProblem(const std::filesystem::path& file, const std::string& why) {
    PortsFileContents contents;
    contents.problems.push_back("ports file " + file.string() + " ignored: " + why);
    return contents;
}

}  // namespace

std::string DeviceOfValue(const std::string& value) { return SameLetters(value, kNoDevice) ? "" : value; }

PortsFileContents ParsePortsFile(std::string_view text, const std::string& fileName) {
    PortsFileContents contents;
    // An editor's UTF-8 byte order mark is no part of the first line.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        const std::string_view raw = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        ++lineNumber;

        const std::string_view line = Trimmed(raw);
        if (line.empty() || line.front() == '#') continue;
        const auto problem = [&](const std::string& why) {
            contents.problems.push_back(fileName + " line " + std::to_string(lineNumber) + " ignored (" + why +
                                        "): " + std::string(line));
        };
        const std::size_t eq = line.find('=');
        const int n = eq == std::string_view::npos ? 0 : ComNumber(Trimmed(line.substr(0, eq)));
        if (n == 0) {
            problem("not COM1 to COM4 = device");
            continue;
        }
        const std::string value(Trimmed(line.substr(eq + 1)));
        if (value.empty()) {
            problem("no device; write " + std::string(kNoDevice) + " for no port");
        } else if (contents.devices[n - 1]) {
            problem("COM" + std::to_string(n) + " is named earlier in the file");
        } else {
            contents.devices[n - 1] = DeviceOfValue(value);
        }
    }
    return contents;
}

PortsFileContents ReadPortsFile(const std::filesystem::path& file) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (status.type() == std::filesystem::file_type::not_found) return {};
    // Never open anything else: a FIFO would block the program at every port opening.
    if (error || status.type() != std::filesystem::file_type::regular) return OneProblem(file, "not a regular file");
    if (std::filesystem::file_size(file, error) > kMaxFileBytes || error) return OneProblem(file, "too large");
    std::ifstream in(file, std::ios::binary);
    if (!in) return OneProblem(file, "cannot be read");
    const std::string text(std::istreambuf_iterator<char>(in), {});
    if (in.bad()) return OneProblem(file, "cannot be read");
    return ParsePortsFile(text, file.string());
}

std::string FormatPortsFile(const std::array<std::optional<std::string>, 4>& devices, const std::string& comment) {
    std::string text = "# " + comment + "\n";
    for (int n = 1; n <= 4; ++n) {
        const std::string com = "COM" + std::to_string(n);
        const auto& device = devices[n - 1];
        if (!device) text += "# " + com + " not named: the first serial port found that no line names\n";
        else text += com + "=" + (device->empty() ? std::string(kNoDevice) : *device) + "\n";
    }
    return text;
}

}  // namespace vantrel
