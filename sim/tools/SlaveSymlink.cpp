#include "sim/tools/SlaveSymlink.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace vantrel::sim {

SlaveSymlink::SlaveSymlink(std::string linkPath, std::string slavePath)
    : linkPath_(std::move(linkPath)), slavePath_(std::move(slavePath)) {
    struct stat st {};
    if (lstat(linkPath_.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        throw std::runtime_error(linkPath_ + " exists and is not a symlink; not replacing it");
    }
    // Made beside the final name and renamed over it, so the name never dangles half-made.
    const std::string temporary = linkPath_ + ".tmp" + std::to_string(getpid());
    std::remove(temporary.c_str());
    if (symlink(slavePath_.c_str(), temporary.c_str()) != 0) {
        throw std::system_error(errno, std::generic_category(), "symlink " + temporary);
    }
    if (std::rename(temporary.c_str(), linkPath_.c_str()) != 0) {
        const int err = errno;
        std::remove(temporary.c_str());
        throw std::system_error(err, std::generic_category(), "rename to " + linkPath_);
    }
}

SlaveSymlink::~SlaveSymlink() {
    std::vector<char> target(slavePath_.size() + 2);
    const ssize_t n = readlink(linkPath_.c_str(), target.data(), target.size());
    if (n >= 0 && std::string(target.data(), static_cast<std::size_t>(n)) == slavePath_) unlink(linkPath_.c_str());
}

}  // namespace vantrel::sim
