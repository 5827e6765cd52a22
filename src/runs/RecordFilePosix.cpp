// The run record file on POSIX systems.
#ifndef _WIN32

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <system_error>

#include "runs/RecordFile.h"
#include "runs/RecordLocation.h"

namespace vantrel::runs {
namespace {

namespace fs = std::filesystem;

std::string Why(const fs::path& file, const std::string& what) { return PathText(file) + ": " + what; }
std::string SystemError(const fs::path& file, int error) { return Why(file, std::strerror(error)); }

struct Descriptor {
    int fd = -1;
    Descriptor() = default;
    explicit Descriptor(int f) : fd(f) {}
    Descriptor(Descriptor&& other) noexcept : fd(other.fd) { other.fd = -1; }
    Descriptor& operator=(Descriptor&& other) noexcept {
        std::swap(fd, other.fd);
        return *this;
    }
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

const char* KindName(mode_t mode) {
    if (S_ISDIR(mode)) return "is a folder, not a regular file";
    if (S_ISFIFO(mode)) return "is a FIFO, not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a regular file";
    return "is not a regular file";
}

// The permission bits count for root too, as for the type-table store.
std::string Refusal(const fs::path& file, const struct stat& info, bool forWriting) {
    if (!S_ISREG(info.st_mode)) return Why(file, KindName(info.st_mode));
    if ((info.st_mode & 0444) == 0 || ::faccessat(AT_FDCWD, file.c_str(), R_OK, AT_EACCESS) != 0)
        return Why(file, "cannot be read");
    if (forWriting && ((info.st_mode & 0222) == 0 || ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) != 0))
        return Why(file, "is read-only");
    return {};
}

struct Located {
    fs::path target;         // the file itself, or the regular file its link names
    bool missing = false;    // nothing there yet
    std::string refusal;     // not ours
};

Located Locate(const fs::path& file, bool forWriting) {
    struct stat info {};
    if (::lstat(file.c_str(), &info) != 0) {
        if (errno == ENOENT) return {file, true, {}};
        return {file, false, SystemError(file, errno)};
    }
    fs::path target = file;
    if (S_ISLNK(info.st_mode)) {
        std::error_code error;
        target = fs::canonical(file, error);
        // A dangling link is never followed into creating its target.
        if (error || ::lstat(target.c_str(), &info) != 0) return {file, false, Why(file, "is a link to nothing")};
    }
    return {target, false, Refusal(target, info, forWriting)};
}

// Missing folders are made private, as the XDG state folder should be.
std::string MakeFolders(const fs::path& file) {
    const fs::path folder = file.parent_path();
    if (folder.empty()) return {};
    fs::path at;
    for (const fs::path& part : folder) {
        at /= part;
        if (::mkdir(at.c_str(), 0700) != 0 && errno != EEXIST) return SystemError(at, errno);
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return Why(folder, "is not a folder");
    return {};
}

constexpr int kAppendFlags = O_RDWR | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

// The record file open for appending, or why not; target: the file it is.
std::optional<Descriptor> OpenForAppend(const fs::path& file, fs::path& target, std::string& problem) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Located at = Locate(file, true);
        if (!at.refusal.empty()) {
            problem = at.refusal;
            return std::nullopt;
        }
        target = at.target;
        if (at.missing) {
            if (problem = MakeFolders(file); !problem.empty()) return std::nullopt;
            Descriptor made(::open(file.c_str(), kAppendFlags | O_CREAT | O_EXCL, 0600));
            if (made.fd >= 0) return made;
            if (errno == EEXIST) continue;  // another program made it meanwhile: look again
            problem = SystemError(file, errno);
            return std::nullopt;
        }
        Descriptor opened(::open(target.c_str(), kAppendFlags));
        if (opened.fd < 0) {
            problem = SystemError(target, errno);
            return std::nullopt;
        }
        // The path may have changed since the look: append only to what is a regular file.
        struct stat info {};
        if (::fstat(opened.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            problem = Why(target, "is not a regular file");
            return std::nullopt;
        }
        return opened;
    }
    problem = Why(file, "keeps changing");
    return std::nullopt;
}

// Renames a full file to its rolled name and begins a new one with the same mode and
// owner. Only under the file's lock, taken without waiting, and only if the path still
// names the file open here (another program may have rolled it already).
void RollIfFull(Descriptor& fd, fs::path& target, std::uint64_t size, std::size_t adding,
                std::uint64_t maxBytes) {
    if (size == 0 || size + adding <= maxBytes) return;
    if (::flock(fd.fd, LOCK_EX | LOCK_NB) != 0) return;  // someone else is at it: append all the same
    struct stat open {}, named {};
    if (::fstat(fd.fd, &open) != 0 || ::stat(target.c_str(), &named) != 0 || open.st_ino != named.st_ino ||
        open.st_dev != named.st_dev)
        return;
    if (::rename(target.c_str(), RolledFile(target).c_str()) != 0) return;  // the bound is exceeded, nothing lost
    // Begun where the old file was: a link to it then names the new file.
    std::string problem;
    fs::path newTarget;
    std::optional<Descriptor> fresh = OpenForAppend(target, newTarget, problem);
    if (!fresh) return;  // the line goes to the rolled file: still in the record
    // The old file's owner where the program may give it (as root), else the program's own.
    if (::fchown(fresh->fd, open.st_uid, open.st_gid) != 0) errno = 0;
    if (::fchmod(fresh->fd, open.st_mode & 07777) != 0) errno = 0;
    fd = std::move(*fresh);
    target = newTarget;
}

// A write beyond the process's file size limit would end the program with SIGXFSZ.
bool BeyondSizeLimit(std::uint64_t size, std::size_t adding) {
    struct rlimit limit {};
    return ::getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
           size + adding > static_cast<std::uint64_t>(limit.rlim_cur);
}

std::mutex& AppendMutex() {
    static std::mutex mutex;
    return mutex;
}

}  // namespace

fs::path RolledFile(const fs::path& file) {
    fs::path rolled = file;
    rolled += ".1";
    return rolled;
}

std::string AppendRecordLine(const fs::path& file, std::string_view line, std::uint64_t maxBytes) {
    const std::lock_guard lock(AppendMutex());
    std::string problem;
    fs::path target;
    std::optional<Descriptor> fd = OpenForAppend(file, target, problem);
    if (!fd) return problem;

    struct stat info {};
    if (::fstat(fd->fd, &info) != 0) return SystemError(target, errno);
    RollIfFull(*fd, target, static_cast<std::uint64_t>(info.st_size), line.size(), maxBytes);
    if (::fstat(fd->fd, &info) != 0) return SystemError(target, errno);
    const auto size = static_cast<std::uint64_t>(info.st_size);

    std::string whole;
    char last = '\n';
    if (size > 0 && ::pread(fd->fd, &last, 1, static_cast<off_t>(size - 1)) != 1) last = '\n';
    if (last != '\n') whole += '\n';  // after a torn line
    whole.append(line);
    if (BeyondSizeLimit(size, whole.size())) return Why(target, "the file size limit leaves no room for the line");

    ssize_t written;
    do written = ::write(fd->fd, whole.data(), whole.size());
    while (written < 0 && errno == EINTR);
    if (written < 0) return SystemError(target, errno);
    if (static_cast<std::size_t>(written) != whole.size()) return Why(target, "the line was written only in part");
    if (::fdatasync(fd->fd) != 0) return SystemError(target, errno);
    return {};
}

RecordContents ReadRecordFile(const fs::path& file, std::uint64_t maxBytes) {
    RecordContents contents;
    const Located at = Locate(file, false);
    if (at.missing) {
        contents.kind = RecordContents::Kind::Missing;
        return contents;
    }
    if (!at.refusal.empty()) {
        contents.problem = at.refusal;
        return contents;
    }
    Descriptor fd(::open(at.target.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat info {};
    if (fd.fd < 0 || ::fstat(fd.fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        contents.problem = Why(at.target, "cannot be read");
        return contents;
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    const std::uint64_t from = size > maxBytes ? size - maxBytes : 0;
    std::string& bytes = contents.bytes;
    bytes.resize(static_cast<std::size_t>(size - from));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::pread(fd.fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(from + got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    bytes.resize(got);
    // Read from the middle of a line: that piece is no whole line.
    if (from > 0) {
        const std::size_t firstEnd = bytes.find('\n');
        bytes.erase(0, firstEnd == std::string::npos ? std::string::npos : firstEnd + 1);
    }
    contents.kind = RecordContents::Kind::Regular;
    return contents;
}

}  // namespace vantrel::runs

#endif
