#pragma once
// POSIX: replacing a whole file so that readers see the old file or the new one, never a
// part, with writers serialised by a lock file beside it.

#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include "files/PathCheck.h"
#include "files/UniqueFd.h"

namespace vantrel::files {

// Holds an exclusive flock on "<file>.lock" beside the file while alive. The lock file
// stays in place: removing it would let two writers lock different files.
class ReplaceLock {
public:
    static std::optional<ReplaceLock> Acquire(const std::filesystem::path& file, std::error_code& error);

private:
    explicit ReplaceLock(UniqueFd fd) : fd_(std::move(fd)) {}
    UniqueFd fd_;  // closing releases the lock
};

// For a file that does not exist yet: creates its folder if needed and checks that the
// program may create files there.
std::error_code CheckCreatable(const std::filesystem::path& file);

// Writes a temporary file beside the target, flushes it to disk and renames it over the
// target. The new file gets the ownership given (an existing file's), or mode 0644 and the
// program's own user for a new one; when the owner cannot be kept, nothing is replaced.
std::error_code ReplaceFileAtomically(const std::filesystem::path& file, std::string_view contents,
                                      const std::optional<FileOwnership>& keep = std::nullopt);

}  // namespace vantrel::files
