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
            static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

std::filesystem::path LockPathOf(const std::filesystem::path& file) {
    std::filesystem::path lock = file;
    lock += ".lock";
    return lock;
}

int OpenLockFile(const std::filesystem::path& file) {
    return ::open(LockPathOf(file).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
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

}  // namespace

FileIdentity IdentityOf(const std::filesystem::path& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return {};
    return IdentityOf(info);
}

FileSnapshot ReadStoreFile(const std::filesystem::path& path, std::size_t maxBytes) {
    FileSnapshot snapshot;
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.fd < 0) return snapshot;
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) return snapshot;
    snapshot.identity = IdentityOf(info);
    if (!S_ISREG(info.st_mode)) return snapshot;

    // Read one byte past the cap so a file that grew since fstat still counts as too big.
    std::string bytes;
    char buffer[65536];
    while (bytes.size() <= maxBytes) {
        const ssize_t got = ::read(file.fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return snapshot;
        }
        if (got == 0) break;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    if (bytes.size() > maxBytes) return snapshot;
    snapshot.bytes = std::move(bytes);
    return snapshot;
}

std::optional<StoreFileLock> StoreFileLock::Acquire(const std::filesystem::path& file, std::error_code& error) {
    const int fd = OpenLockFile(file);
    if (fd < 0) {
        error = LastError();
        return std::nullopt;
    }
    StoreFileLock lock(fd);
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

std::error_code CheckWritable(const std::filesystem::path& file) {
    std::error_code error;
    const auto directory = file.parent_path();
    if (!directory.empty()) std::filesystem::create_directories(directory, error);
    if (error) return error;
    Descriptor lock(OpenLockFile(file));
    if (lock.fd < 0) return LastError();
    if (::access(directory.empty() ? "." : directory.c_str(), W_OK) != 0) return LastError();
    return {};
}

std::error_code ReplaceFileAtomically(const std::filesystem::path& file, std::string_view contents) {
    std::string temporary = file.string() + ".XXXXXX";
    Descriptor out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (out.fd < 0) return LastError();

    std::error_code error;
    if (::fchmod(out.fd, 0644) != 0) error = LastError();
    if (!error) error = WriteAll(out.fd, contents);
    if (!error && ::fsync(out.fd) != 0) error = LastError();
    if (!error && ::rename(temporary.c_str(), file.c_str()) != 0) error = LastError();
    if (error) {
        ::unlink(temporary.c_str());
        return error;
    }
    // Make the rename itself durable.
    const auto directory = file.parent_path();
    Descriptor dir(::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.fd >= 0) ::fsync(dir.fd);
    return {};
}

}  // namespace vantrel

#endif
