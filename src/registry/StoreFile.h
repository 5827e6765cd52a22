#pragma once
// File operations of the file store: a capped read that tells which version of the file
// it saw, an exclusive lock shared with other instances, and an atomic replace.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace vantrel {

// Tells one version of a file from another: a replace gives a new inode, an edit in
// place a new size or modification time.
struct FileIdentity {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct FileSnapshot {
    FileIdentity identity;
    std::optional<std::string> bytes;  // empty when missing, unreadable or over the cap
};

FileSnapshot ReadStoreFile(const std::filesystem::path& path, std::size_t maxBytes);
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

// Creates the directory if needed and checks that a writer could lock the file there.
std::error_code CheckWritable(const std::filesystem::path& file);

// Writes a temporary file beside the target, flushes it to disk and renames it over the
// target, so readers see the old file or the new one, never a part.
std::error_code ReplaceFileAtomically(const std::filesystem::path& file, std::string_view contents);

}  // namespace vantrel
