#pragma once
// File operations of the file store: a look at the store path that reads it only when it
// is a regular file the program may read, an exclusive lock shared with other instances,
// and an atomic replace that keeps the file's mode and owner.
//
// The store path is the user's, not the program's: a folder, a device, a FIFO, a file
// nobody may read, or a dangling link there is never opened for reading, written, or
// given a lock or a temporary file beside it. A link to a regular file is followed on
// purpose: the file it names is read and replaced, the link stays.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace vantrel {

// Tells one version of a file from another: a replace gives a new inode, an edit in
// place a new size or modification time, a chmod or chown a new status change time.
struct FileIdentity {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

// What a replace must keep.
struct FileOwnership {
    std::uint32_t mode = 0644;  // permission bits
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
};

struct FileSnapshot {
    enum class Kind {
        Missing,   // nothing there yet: the store may create the file
        Regular,   // a regular file (or a link to one) that the program may read
        NotOwned,  // anything else: read nothing, write nothing
    };
    Kind kind = Kind::NotOwned;
    FileIdentity identity;
    std::optional<std::string> bytes;  // a Regular file's contents; empty when over the cap
    bool mayWrite = false;  // a Regular file whose permission bits and folder let it be replaced
    std::filesystem::path target;  // where a replace goes: the path, or the file its link names
    FileOwnership ownership;
};

FileSnapshot ReadStoreFile(const std::filesystem::path& path, std::size_t maxBytes);
// Without reading: whether the file has changed since a snapshot.
FileIdentity IdentityOf(const std::filesystem::path& path);

// Holds an exclusive flock on "<file>.lock" beside the file while alive. The lock file
// stays in place: removing it would let two writers lock different files.
class StoreFileLock {
public:
    static std::optional<StoreFileLock> Acquire(const std::filesystem::path& file, std::error_code& error);
    StoreFileLock(StoreFileLock&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    StoreFileLock& operator=(StoreFileLock&&) = delete;
    ~StoreFileLock();

private:
    explicit StoreFileLock(int fd) : fd_(fd) {}
    int fd_;
};

// For a file that does not exist yet: creates its folder if needed and checks that the
// program may create files there.
std::error_code CheckCreatable(const std::filesystem::path& file);

// Writes a temporary file beside the target, flushes it to disk and renames it over the
// target, so readers see the old file or the new one, never a part. The new file gets
// the ownership given (an existing file's), or mode 0644 and the program's own user for
// a new one; when the owner cannot be kept, nothing is replaced.
std::error_code ReplaceFileAtomically(const std::filesystem::path& file, std::string_view contents,
                                      const std::optional<FileOwnership>& keep = std::nullopt);

}  // namespace vantrel
