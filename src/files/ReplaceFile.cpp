// Atomic replacement on POSIX systems; Windows keeps no file that is replaced so.
#ifndef _WIN32

#include "files/ReplaceFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "files/PosixFacts.h"

namespace vantrel::files {
namespace {

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

std::optional<ReplaceLock> ReplaceLock::Acquire(const std::filesystem::path& file, std::error_code& error) {
    std::filesystem::path path = file;
    path += ".lock";
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
    if (!fd) {
        error = LastError();
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        error = std::make_error_code(std::errc::permission_denied);
        return std::nullopt;
    }
    while (::flock(fd.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            error = LastError();
            return std::nullopt;
        }
    }
    return ReplaceLock(std::move(fd));
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
    const UniqueFd out(::mkostemp(temporary.data(), O_CLOEXEC));
    if (!out) return LastError();

    std::error_code error;
    struct stat made {};
    if (::fstat(out.get(), &made) != 0) error = LastError();
    // The owner first: a change of owner may clear mode bits.
    if (!error && keep && (made.st_uid != keep->owner || made.st_gid != keep->group) &&
        ::fchown(out.get(), keep->owner, keep->group) != 0)
        error = LastError();
    if (!error && ::fchmod(out.get(), keep ? keep->mode : 0644) != 0) error = LastError();
    if (!error) error = WriteAll(out.get(), contents);
    if (!error && ::fsync(out.get()) != 0) error = LastError();
    if (!error && ::rename(temporary.c_str(), file.c_str()) != 0) error = LastError();
    if (error) {
        ::unlink(temporary.c_str());
        return error;
    }
    // Make the rename itself durable.
    const UniqueFd folder(::open(FolderOf(file).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) ::fsync(folder.get());
    return {};
}

}  // namespace vantrel::files

#endif
