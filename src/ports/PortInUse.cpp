#include "ports/PortInUse.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <vector>

#ifdef __linux__
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace vantrel {
namespace {

template <typename Number>
bool ParseWhole(std::string_view text, Number& value, int base) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

// "MAJOR:MINOR:INODE", the first two in hex: how the kernel names a lock's node.
bool IsNode(std::string_view text, unsigned devMajor, unsigned devMinor, unsigned long long inode) {
    const auto first = text.find(':'), second = text.find(':', first + 1);
    if (first == std::string_view::npos || second == std::string_view::npos) return false;
    unsigned listedMajor = 0, listedMinor = 0;
    unsigned long long listedInode = 0;
    return ParseWhole(text.substr(0, first), listedMajor, 16) &&
           ParseWhole(text.substr(first + 1, second - first - 1), listedMinor, 16) &&
           ParseWhole(text.substr(second + 1), listedInode, 10) && listedMajor == devMajor &&
           listedMinor == devMinor && listedInode == inode;
}

}  // namespace

bool ListsFlockOn(std::string_view table, unsigned devMajor, unsigned devMinor, unsigned long long inode) {
    // "1: FLOCK  ADVISORY  WRITE 4321 00:19:3 0 EOF"; a lock waited for reads
    // "1: -> FLOCK ...", and is no one's yet.
    std::istringstream lines{std::string(table)};
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::vector<std::string> word;
        for (std::string w; words >> w && word.size() < 6;) word.push_back(w);
        if (word.size() == 6 && word[1] == "FLOCK" && IsNode(word[5], devMajor, devMinor, inode)) return true;
    }
    return false;
}

bool FlockHeldOn(const std::string& device) {
#ifdef __linux__
    struct stat node {};
    if (device.empty() || ::stat(device.c_str(), &node) != 0) return false;
    std::ifstream file("/proc/locks");
    std::stringstream table;
    table << file.rdbuf();
    return ListsFlockOn(table.str(), major(node.st_dev), minor(node.st_dev), node.st_ino);
#else
    (void)device;
    return false;
#endif
}

}  // namespace vantrel
