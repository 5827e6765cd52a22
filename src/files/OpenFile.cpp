// What opening, appending and tail reading do the same on every system.
#include "files/OpenFile.h"

#include <vector>

namespace vantrel::files {

std::optional<OpenFile> OpenFile::Checked(Native file, const std::filesystem::path& target, Refusal& why) {
    if (!file) return std::nullopt;
    OpenFile opened(std::move(file), target);
    if (opened.IsRegular()) return opened;
    why = {Refusal::Reason::NotRegular, target, {}};
    return std::nullopt;
}

std::optional<OpenFile> OpenFile::Open(const PathCheck& check, Mode mode, Refusal& why) {
    std::error_code error;
    Native file = OpenExisting(check.target, mode, error);
    if (!file) why = {Refusal::Reason::SystemError, check.target, error};
    return Checked(std::move(file), check.target, why);
}

std::optional<OpenFile> OpenFile::OpenForAppend(const std::filesystem::path& path, Refusal& why) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const PathCheck check = CheckPath(path, Access::ReadWrite);
        if (check.kind == PathCheck::Kind::Refused) {
            why = check.refusal;
            return std::nullopt;
        }
        if (check.kind == PathCheck::Kind::Regular) return Open(check, Mode::Append, why);
        if (Native made = CreateNew(path, why)) return Checked(std::move(made), path, why);
        if (why.reason != Refusal::Reason::KeepsChanging) return std::nullopt;
        // Another program made the file meanwhile: look again.
    }
    why = {Refusal::Reason::KeepsChanging, path, {}};
    return std::nullopt;
}

std::optional<std::string> ReadUpTo(const OpenFile& file, std::size_t maxBytes) {
    std::string bytes;
    char buffer[65536];
    // One byte more than the bound, so that a file that grew since its look is too big.
    while (bytes.size() <= maxBytes) {
        std::size_t got = 0;
        if (file.ReadAt(bytes.size(), buffer, sizeof buffer, got)) return std::nullopt;
        if (got == 0) break;
        bytes.append(buffer, got);
    }
    if (bytes.size() > maxBytes) return std::nullopt;
    return bytes;
}

bool ReadPieces(const std::filesystem::path& path, std::uint64_t maxBytes,
                const std::function<bool(std::string_view piece)>& take) {
    const PathCheck check = CheckPath(path, Access::Read);
    if (check.kind != PathCheck::Kind::Regular) return false;
    Refusal ignored;
    const std::optional<OpenFile> file = OpenFile::Open(check, OpenFile::Mode::Read, ignored);
    std::uint64_t size = 0;
    if (!file || file->Size(size) || size > maxBytes) return false;
    std::vector<char> buffer(65536);
    for (std::uint64_t done = 0;;) {
        std::size_t got = 0;
        if (file->ReadAt(done, buffer.data(), buffer.size(), got)) return false;
        if (got == 0) return true;
        done += got;
        if (done > maxBytes || !take({buffer.data(), got})) return false;  // it grew meanwhile
    }
}

Tail ReadTail(const std::filesystem::path& path, std::uint64_t maxBytes) {
    Tail tail;
    const PathCheck check = CheckPath(path, Access::Read);
    tail.kind = check.kind;
    tail.refusal = check.refusal;
    if (check.kind != PathCheck::Kind::Regular) return tail;
    Refusal ignored;
    std::optional<OpenFile> file = OpenFile::Open(check, OpenFile::Mode::Read, ignored);
    std::uint64_t size = 0;
    if (!file || file->Size(size)) {
        tail.kind = PathCheck::Kind::Refused;
        tail.refusal = {Refusal::Reason::Unreadable, check.target, {}};
        return tail;
    }
    const std::uint64_t from = size > maxBytes ? size - maxBytes : 0;
    tail.cut = from > 0;
    tail.bytes.resize(static_cast<std::size_t>(size - from));
    std::size_t done = 0;
    while (done < tail.bytes.size()) {
        std::size_t got = 0;
        if (file->ReadAt(from + done, tail.bytes.data() + done, tail.bytes.size() - done, got) || got == 0) break;
        done += got;
    }
    tail.bytes.resize(done);
    return tail;
}

}  // namespace vantrel::files
