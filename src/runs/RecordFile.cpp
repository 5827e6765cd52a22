// The run record file: when to roll, what to do after a torn line, where a tail begins.
// The same on every system; files/OpenFile does the system's part.
#include "runs/RecordFile.h"

#include <mutex>
#include <optional>

#include "files/OpenFile.h"
#include "runs/RecordLocation.h"

namespace vantrel::runs {
namespace {

namespace fs = std::filesystem;

std::string Why(const fs::path& file, const std::string& what) { return PathText(file) + ": " + what; }
std::string Why(const files::Refusal& refusal) { return Why(refusal.about, refusal.Text()); }
std::string Why(const fs::path& file, const std::error_code& error) { return Why(file, error.message()); }

// Moves the record aside, only under its lock taken without waiting (someone else at it:
// append all the same) and only if the path still names the file open here (another
// program may have rolled it already).
bool MovedAside(files::OpenFile& record, const fs::path& to) {
    if (!record.TryLock()) return false;
    const bool moved = record.StillNamed() && record.MoveTo(to);
    record.Unlock();
    return moved;
}

// Rolls a full file into RolledFile and begins a new one where it was (a link to the old
// file then names the new one), with the old one's mode and owner.
void RollIfFull(files::OpenFile& record, std::uint64_t size, std::size_t adding, std::uint64_t maxBytes) {
    if (size == 0 || size + adding <= maxBytes) return;
    if (!MovedAside(record, RolledFile(record.Target()))) return;  // the bound is exceeded, nothing lost
    files::Refusal ignored;
    std::optional<files::OpenFile> fresh = files::OpenFile::OpenForAppend(record.Target(), ignored);
    if (!fresh) return;  // the line goes to the rolled file: still in the record
    fresh->KeepModeAndOwnerOf(record);
    record = std::move(*fresh);
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
    files::Refusal refusal;
    std::optional<files::OpenFile> record = files::OpenFile::OpenForAppend(file, refusal);
    if (!record) return Why(refusal);

    std::uint64_t size = 0;
    if (const auto error = record->Size(size)) return Why(record->Target(), error);
    RollIfFull(*record, size, line.size(), maxBytes);
    if (const auto error = record->Size(size)) return Why(record->Target(), error);

    std::string whole;
    char last = '\n';
    std::size_t got = 0;
    if (size > 0 && (record->ReadAt(size - 1, &last, 1, got) || got != 1)) last = '\n';
    if (last != '\n') whole += '\n';  // after a torn line, so that the torn piece stays a line of its own
    whole.append(line);
    if (!record->SizeLimitAllows(size + whole.size()))
        return Why(record->Target(), "the file size limit leaves no room for the line");

    std::size_t written = 0;
    if (const auto error = record->Append(whole, written)) return Why(record->Target(), error);
    if (written != whole.size()) return Why(record->Target(), "the line was written only in part");
    if (const auto error = record->Sync()) return Why(record->Target(), error);
    return {};
}

RecordContents ReadRecordFile(const fs::path& file, std::uint64_t maxBytes) {
    RecordContents contents;
    files::Tail tail = files::ReadTail(file, maxBytes);
    switch (tail.kind) {
        case files::PathCheck::Kind::Missing: contents.kind = RecordContents::Kind::Missing; return contents;
        case files::PathCheck::Kind::Refused: contents.problem = Why(tail.refusal); return contents;
        case files::PathCheck::Kind::Regular: break;
    }
    contents.kind = RecordContents::Kind::Regular;
    contents.bytes = std::move(tail.bytes);
    // Read from the middle of a line: that piece is no whole line.
    if (tail.cut) {
        const std::size_t firstEnd = contents.bytes.find('\n');
        contents.bytes.erase(0, firstEnd == std::string::npos ? std::string::npos : firstEnd + 1);
    }
    return contents;
}

}  // namespace vantrel::runs
