// The path rules on POSIX systems.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/PathCheck.h"
#include "files/PosixFacts.h"

namespace vantrel::files {
namespace {

namespace fs = std::filesystem;

Refusal::Reason KindRefusal(mode_t mode) {
    if (S_ISDIR(mode)) return Refusal::Reason::Folder;
    if (S_ISFIFO(mode)) return Refusal::Reason::Fifo;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return Refusal::Reason::Device;
    return Refusal::Reason::NotRegular;
}

Refusal::Reason RefusalOf(const fs::path& file, const struct stat& info, Access access) {
    if (!S_ISREG(info.st_mode)) return KindRefusal(info.st_mode);
    if ((info.st_mode & 0444) == 0 || ::faccessat(AT_FDCWD, file.c_str(), R_OK, AT_EACCESS) != 0)
        return Refusal::Reason::Unreadable;
    if (access == Access::ReadWrite && !MayWrite(file, info.st_mode)) return Refusal::Reason::ReadOnly;
    return Refusal::Reason::None;
}

}  // namespace

bool MayWrite(const fs::path& file, unsigned mode) {
    return (mode & 0222) != 0 && ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) == 0;
}

fs::path FolderOf(const fs::path& file) {
    const fs::path folder = file.parent_path();
    return folder.empty() ? "." : folder;
}

FileIdentity IdentityOf(const struct stat& info) {
    return {true,
            static_cast<std::uint64_t>(info.st_dev),
            static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::uint64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
            static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec};
}

FileIdentity IdentityOf(const fs::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {};
    return IdentityOf(info);
}

PathCheck CheckPath(const fs::path& path, Access access) {
    PathCheck check;
    check.target = path;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) check.kind = PathCheck::Kind::Missing;
        else check.refusal = {Refusal::Reason::SystemError, path, LastError()};
        return check;
    }
    if (S_ISLNK(info.st_mode)) {
        std::error_code error;
        check.target = fs::canonical(path, error);
        // A dangling link is never followed into making its target.
        if (error || ::lstat(check.target.c_str(), &info) != 0) {
            check.target = path;
            check.refusal = {Refusal::Reason::DanglingLink, path, {}};
            return check;
        }
    }
    check.identity = IdentityOf(info);
    check.refusal = {RefusalOf(check.target, info, access), check.target, {}};
    if (!check.refusal) check.kind = PathCheck::Kind::Regular;
    return check;
}

}  // namespace vantrel::files

#endif
