#pragma once
// The firmware file behind the image in memory, as it was when it loaded: what the
// front-ends show of it, and enough for a record of a programming run to say which file
// it was and to tell whether the file at that path is still the one that was read.

#include <cstdint>
#include <filesystem>
#include <string>

namespace vantrel {

struct LoadedFile {
    std::string path;         // absolute when it could be made so, in the system's file-name bytes
    std::uintmax_t size = 0;  // bytes, when the load ended
    std::filesystem::file_time_type modified{};
    std::string target;   // the target line without its markers
    std::string version;  // the version line
    int records = 0;
};

// The facts of the file just read from `path`; size and time as the file system has them now.
LoadedFile DescribeLoadedFile(const std::string& path, std::string target, std::string version, int records);

}  // namespace vantrel
