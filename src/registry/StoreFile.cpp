// POSIX file operations of the file store.
// POSIX only; Windows uses the registry itself.
#ifndef _WIN32

#include "registry/StoreFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace vantrel {
namespace {

std::error_code LastError() { return {errno, std::generic_category()}; }

// Closes a descriptor on every path.
struct Descriptor {
    int fd = -1;
    explicit Descriptor(int f) : fd(f) {}
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
};

FileIdentity IdentityOf(const struct stat& info) {
    return {true,
            static_cast<std::uint64_t>(info.st_dev),
            static_cast<std::uint64_t>(info.st_ino),
            static_cast<std::uint64_t>(info.st_size),
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec,
            static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec};
}

std::filesystem::path FolderOf(const std::filesystem::path& file) {
    const auto folder = file.parent_path();
    return folder.empty() ? "." : folder;
}

// The permission bits count for everyone, root included: a file that nobody may read is
// not read, and one that nobody may write (0444, say) is not replaced.
bool MayWrite(const std::filesystem::path& file, const struct stat& info) {
    return (info.st_mode & 0222) != 0 && ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) == 0 &&
           ::faccessat(AT_FDCWD, FolderOf(file).c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::error_code WriteAll(int fd, std::string_view contents) {
    while (!contents.empty()) {
        const ssize_t written = ::write(fd, contents.data(), contents.size());
        if (written < 0) {
            if (errno == EINTR) continue;
            return LastError();
        }
        contents.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

// Up to maxBytes, and one more so that a file that grew since its look still counts as too big.
std::optional<std::string> ReadCapped(int fd, std::size_t maxBytes) {
    std::string bytes;
    char buffer[65536];
    while (bytes.size() <= maxBytes) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (got == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    if (bytes.size() > maxBytes) return std::nullopt;
    return bytes;
}

}  // namespace

FileIdentity IdentityOf(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {};
    return IdentityOf(info);
}

FileSnapshot ReadStoreFile(const std::filesystem::path& path, std::size_t maxBytes) {
    FileSnapshot snapshot;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT) {
            snapshot.kind = FileSnapshot::Kind::Missing;
            snapshot.target = path;
        }
        return snapshot;  // anything else (a file where a folder should be, no access): not ours
    }
    std::filesystem::path target = path;
    if (S_ISLNK(info.st_mode)) {
        std::error_code error;
        target = std::filesystem::canonical(path, error);
        if (error || ::lstat(target.c_str(), &info) != 0) return snapshot;  // dangling or looping
    }
    snapshot.identity = IdentityOf(info);
    // Only a regular file is opened: opening a device or a FIFO may block or act.
    if (!S_ISREG(info.st_mode) || (info.st_mode & 0444) == 0) return snapshot;
    Descriptor file(::open(target.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (file.fd < 0) return snapshot;
    // The path may have changed since the look (another instance replaces the file): read
    // what was opened only if it is a regular file too.
    struct stat opened {};
    if (::fstat(file.fd, &opened) != 0 || !S_ISREG(opened.st_mode) || (opened.st_mode & 0444) == 0) return snapshot;

    snapshot.kind = FileSnapshot::Kind::Regular;
    snapshot.identity = IdentityOf(opened);
    snapshot.target = target;
    snapshot.ownership = {static_cast<std::uint32_t>(opened.st_mode & 07777), static_cast<std::uint32_t>(opened.st_uid),
                          static_cast<std::uint32_t>(opened.st_gid)};
    snapshot.mayWrite = MayWrite(target, opened);
    snapshot.bytes = ReadCapped(file.fd, maxBytes);
    return snapshot;
}

std::optional<StoreFileLock> StoreFileLock::Acquire(const std::filesystem::path& file, std::error_code& error) {
    std::filesystem::path path = file;
    path += ".lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = LastError();
        return std::nullopt;
    }
    StoreFileLock lock(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = std::make_error_code(std::errc::permission_denied);
        return std::nullopt;
    }
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR) {
            error = LastError();
            return std::nullopt;
        }
    }
    return lock;
}

StoreFileLock::~StoreFileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

std::error_code CheckCreatable(const std::filesystem::path& file) {
    std::error_code error;
    const auto folder = FolderOf(file);
    std::filesystem::create_directories(folder, error);
    if (error) return error;
    if (::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return LastError();
    return {};
}

std::error_code ReplaceFileAtomically(const std::filesystem::path& file, std::string_view contents,
                                      const std::optional<FileOwnership>& keep) {
    std::string temporary = file.string() + ".XXXXXX";
    Descriptor out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (out.fd < 0) return LastError();

    std::error_code error;
    struct stat made {};
    if (::fstat(out.fd, &made) != 0) error = LastError();
    // The owner first: a change of owner may clear mode bits.
    if (!error && keep && (made.st_uid != keep->owner || made.st_gid != keep->group) &&
        ::fchown(out.fd, keep->owner, keep->group) != 0)
        error = LastError();
    if (!error && ::fchmod(out.fd, keep ? keep->mode : 0644) != 0) error = LastError();
    if (!error) error = WriteAll(out.fd, contents);
    if (!error && ::fsync(out.fd) != 0) error = LastError();
    if (!error && ::rename(temporary.c_str(), file.c_str()) != 0) error = LastError();
    if (error) {
        ::unlink(temporary.c_str());
        return error;
    }
    // Make the rename itself durable.
    Descriptor dir(::open(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd >= 0) ::fsync(dir.fd);
    return {};
}

}  // namespace vantrel

#endif
