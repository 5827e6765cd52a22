#include "firmware/LoadedFile.h"

#include <system_error>

namespace vantrel {

LoadedFile DescribeLoadedFile(const std::string& path, std::string target, std::string version, int records) {
    namespace fs = std::filesystem;
    std::error_code error;
    LoadedFile file;
    const fs::path absolute = fs::absolute(path, error);
    file.path = error ? path : absolute.string();
    const std::uintmax_t size = fs::file_size(path, error);
    if (!error) file.size = size;
    const fs::file_time_type modified = fs::last_write_time(path, error);
    if (!error) file.modified = modified;
    file.target = std::move(target);
    file.version = std::move(version);
    file.records = records;
    return file;
}

}  // namespace vantrel
