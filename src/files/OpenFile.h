#pragma once
// A regular file open for reading or for appending, checked again once open: the path may
// have changed since its look (another program replaced the file). Beneath it, one
// descriptor (POSIX) or handle (Windows); above it, code that is the same on every system.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "files/PathCheck.h"
#ifdef _WIN32
#include "files/UniqueHandle.h"
#else
#include "files/UniqueFd.h"
#endif

namespace vantrel::files {

class OpenFile {
public:
    enum class Mode { Read, Append };

    // What CheckPath found Regular; none, and why, when it cannot be opened or what was
    // opened is not a regular file one may read.
    static std::optional<OpenFile> Open(const PathCheck& check, Mode mode, Refusal& why);
    // The file at the path for appending under CheckPath's rules (ReadWrite), made when
    // there is none: mode 0600 in missing folders of mode 0700, as private state should be.
    static std::optional<OpenFile> OpenForAppend(const std::filesystem::path& path, Refusal& why);

    const std::filesystem::path& Target() const { return target_; }
    std::error_code Size(std::uint64_t& size) const;
    // Up to `count` bytes from `offset`: `got` is 0 at the end.
    std::error_code ReadAt(std::uint64_t offset, char* into, std::size_t count, std::size_t& got) const;
    // One write at the file's end, which the system keeps whole against other writers;
    // `written` tells how much went.
    std::error_code Append(std::string_view bytes, std::size_t& written);
    // Flushes the data to the disk.
    std::error_code Sync();
    // Whether the process's file size limit lets the file grow to `end` bytes: a write
    // beyond it would end the program (SIGXFSZ). No such limit on Windows.
    bool SizeLimitAllows(std::uint64_t end) const;

    // POSIX: what the file was when opened, and whether the program may replace it (write
    // it, and make and rename files in its folder).
    const FileIdentity& Identity() const { return identity_; }
    const FileOwnership& Ownership() const { return ownership_; }
    bool MayReplace() const;

    // Moving a file aside while others may append to it: an exclusive lock taken without
    // waiting, and whether the path still names the file open here (another program may
    // have moved it already).
    bool TryLock();
    void Unlock();
    bool StillNamed() const;
    bool MoveTo(const std::filesystem::path& to);
    // A file begun in place of `earlier`: its mode, and its owner where the program may
    // give it (as root). Nothing on Windows.
    void KeepModeAndOwnerOf(const OpenFile& earlier);

private:
#ifdef _WIN32
    using Native = UniqueHandle;
#else
    using Native = UniqueFd;
#endif
    OpenFile(Native file, std::filesystem::path target) : file_(std::move(file)), target_(std::move(target)) {}
    // The system's part: an existing file opened, or a new one made for appending (none,
    // and why, when it cannot be; one made meanwhile by another program: KeepsChanging).
    static Native OpenExisting(const std::filesystem::path& path, Mode mode, std::error_code& error);
    static Native CreateNew(const std::filesystem::path& path, Refusal& why);
    // What was opened, if it is a regular file one may read.
    static std::optional<OpenFile> Checked(Native file, const std::filesystem::path& target, Refusal& why);
    // The system's part of Checked, which also takes the file's facts.
    bool IsRegular();

    Native file_;
    std::filesystem::path target_;
    FileIdentity identity_;
    FileOwnership ownership_;
};

// The file's first bytes up to maxBytes; none when there are more (a file that grew since
// its look counts as too big) or it cannot be read.
std::optional<std::string> ReadUpTo(const OpenFile& file, std::size_t maxBytes);

// Feeds a file under CheckPath's rules (Read) of at most maxBytes to `take`, piece by
// piece from its start; false when it cannot be read, is (or grows) larger, or `take`
// says false.
bool ReadPieces(const std::filesystem::path& path, std::uint64_t maxBytes,
                const std::function<bool(std::string_view piece)>& take);

// The last maxBytes of a file under CheckPath's rules (Read).
struct Tail {
    PathCheck::Kind kind = PathCheck::Kind::Refused;
    std::string bytes;
    bool cut = false;  // begins after the file's start
    Refusal refusal;   // Refused: why
};
Tail ReadTail(const std::filesystem::path& path, std::uint64_t maxBytes);

}  // namespace vantrel::files
