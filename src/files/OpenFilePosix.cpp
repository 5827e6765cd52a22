// An open regular file on POSIX systems.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/OpenFile.h"
#include "files/PosixFacts.h"

namespace vantrel::files {
namespace {

namespace fs = std::filesystem;

// Never through a link (the path rules have looked through it already), never waiting
// (a FIFO put in place meanwhile), never taking a terminal as the controlling one.
constexpr int kOpenFlags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
constexpr int kAppendFlags = O_RDWR | O_APPEND | kOpenFlags;

// Missing folders are made private, as the XDG state folder should be.
Refusal MakeFolders(const fs::path& file) {
    const fs::path folder = file.parent_path();
    if (folder.empty()) return {};
    fs::path at;
    for (const fs::path& part : folder) {
        at /= part;
        if (::mkdir(at.c_str(), 0700) != 0 && errno != EEXIST) return {Refusal::Reason::SystemError, at, LastError()};
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return {Refusal::Reason::NotAFolder, folder, {}};
    return {};
}

}  // namespace

UniqueFd OpenFile::OpenExisting(const fs::path& path, Mode mode, std::error_code& error) {
    UniqueFd fd(::open(path.c_str(), mode == Mode::Append ? kAppendFlags : O_RDONLY | kOpenFlags));
    if (!fd) error = LastError();
    return fd;
}

UniqueFd OpenFile::CreateNew(const fs::path& path, Refusal& why) {
    if ((why = MakeFolders(path))) return {};
    UniqueFd fd(::open(path.c_str(), kAppendFlags | O_CREAT | O_EXCL, 0600));
    if (!fd)
        why = errno == EEXIST ? Refusal{Refusal::Reason::KeepsChanging, path, {}}
                              : Refusal{Refusal::Reason::SystemError, path, LastError()};
    return fd;
}

bool OpenFile::IsRegular() {
    struct stat info {};
    if (::fstat(file_.get(), &info) != 0 || !S_ISREG(info.st_mode) || (info.st_mode & 0444) == 0) return false;
    identity_ = IdentityOf(info);
    ownership_ = {static_cast<std::uint32_t>(info.st_mode & 07777), static_cast<std::uint32_t>(info.st_uid),
                  static_cast<std::uint32_t>(info.st_gid)};
    return true;
}

std::error_code OpenFile::Size(std::uint64_t& size) const {
    struct stat info {};
    if (::fstat(file_.get(), &info) != 0) return LastError();
    size = static_cast<std::uint64_t>(info.st_size);
    return {};
}

std::error_code OpenFile::ReadAt(std::uint64_t offset, char* into, std::size_t count, std::size_t& got) const {
    ssize_t n;
    do n = ::pread(file_.get(), into, count, static_cast<off_t>(offset));
    while (n < 0 && errno == EINTR);
    if (n < 0) return LastError();
    got = static_cast<std::size_t>(n);
    return {};
}

std::error_code OpenFile::Append(std::string_view bytes, std::size_t& written) {
    ssize_t n;
    do n = ::write(file_.get(), bytes.data(), bytes.size());
    while (n < 0 && errno == EINTR);
    if (n < 0) return LastError();
    written = static_cast<std::size_t>(n);
    return {};
}

std::error_code OpenFile::Sync() { return ::fdatasync(file_.get()) == 0 ? std::error_code() : LastError(); }

bool OpenFile::SizeLimitAllows(std::uint64_t end) const {
    struct rlimit limit {};
    return ::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
           end <= static_cast<std::uint64_t>(limit.rlim_cur);
}

bool OpenFile::MayReplace() const {
    return MayWrite(target_, ownership_.mode) &&
           ::faccessat(AT_FDCWD, FolderOf(target_).c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

bool OpenFile::TryLock() { return ::flock(file_.get(), LOCK_EX | LOCK_NB) == 0; }

void OpenFile::Unlock() { ::flock(file_.get(), LOCK_UN); }

bool OpenFile::StillNamed() const {
    struct stat open {}, named {};
    return ::fstat(file_.get(), &open) == 0 && ::stat(target_.c_str(), &named) == 0 && open.st_ino == named.st_ino &&
           open.st_dev == named.st_dev;
}

bool OpenFile::MoveTo(const fs::path& to) { return ::rename(target_.c_str(), to.c_str()) == 0; }

void OpenFile::KeepModeAndOwnerOf(const OpenFile& earlier) {
    struct stat info {};
    if (::fstat(earlier.file_.get(), &info) != 0) return;
    if (::fchown(file_.get(), info.st_uid, info.st_gid) != 0) errno = 0;
    if (::fchmod(file_.get(), info.st_mode & 07777) != 0) errno = 0;
}

}  // namespace vantrel::files

#endif
