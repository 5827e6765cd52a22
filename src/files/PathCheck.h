#pragma once
// Which paths the program opens. Paths such as the type-table store and the run record are
// the user's, not the program's: only a regular file (or a link to one, followed on
// purpose) that the program may read is opened, and only one it may also write is written.
// A folder, a device, a FIFO, a file nobody may read, a dangling or looping link is never
// opened: opening a device or a FIFO may block or act. The permission bits count for
// everyone, root included. On Windows a device name (NUL, COM1, \\.\...) is refused by its
// name alone, and links are not looked through.

#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

namespace vantrel::files {

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

// Why a path is not opened.
struct Refusal {
    enum class Reason {
        None,
        SystemError,   // the system's own answer, in `error`
        DanglingLink,  // a link to nothing, or a loop of links
        Folder,
        Fifo,
        Device,
        NotRegular,    // any other kind, or a file that stopped being regular
        NotAFolder,    // where a folder is needed
        Unreadable,
        ReadOnly,
        KeepsChanging,  // made and removed under the program's hands
    };
    Reason reason = Reason::None;
    std::filesystem::path about;  // the path given, or the file its link names
    std::error_code error;

    explicit operator bool() const { return reason != Reason::None; }
    // For messages after the path: "is a folder, not a regular file", "cannot be read".
    std::string Text() const;
};

enum class Access { Read, ReadWrite };

struct PathCheck {
    enum class Kind {
        Missing,  // nothing there yet: a file may be made
        Regular,  // a regular file, or a link to one, that may be opened for the access asked
        Refused,  // anything else: leave it as it is
    };
    Kind kind = Kind::Refused;
    std::filesystem::path target;  // the path, or the file its link names
    Refusal refusal;               // Refused: why
    FileIdentity identity;         // the target as looked at (POSIX), when it could be
};

PathCheck CheckPath(const std::filesystem::path& path, Access access);

// POSIX: without opening it, the file at the path (a link followed) as it is now.
FileIdentity IdentityOf(const std::filesystem::path& path);

}  // namespace vantrel::files
