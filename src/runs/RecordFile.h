#pragma once
// The run record file under the type-table store's rules: only a regular file (or a link
// to one) that the program may read and write is ever opened; a folder, a device, a FIFO,
// a read-only or unreadable file, a dangling link is left as it is. Lines are appended
// whole, each in one write to a file opened for appending, so that lines from several
// threads or programs never interleave and a crash leaves at most one torn last line.
// Nothing here blocks on another program: a rotation that would have to wait is skipped.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace vantrel::runs {

inline constexpr std::uint64_t kRecordMaxBytes = 10 * 1024 * 1024;

// The earlier file that older lines are rolled into: "runs.jsonl.1" beside "runs.jsonl".
std::filesystem::path RolledFile(const std::filesystem::path& file);

// Appends `line` (one line, ending in '\n') to `file`, creating the file (mode 0600) and
// its folders when missing. When the file would grow beyond maxBytes it is first renamed
// to RolledFile (replacing that) and a new file is begun. A file whose last line was torn
// gets a line end first, so the torn piece stays a line of its own. Flushed to the disk
// before it returns, so a power cut does not lose a run's start. Empty on success, else
// why the line was not written. Safe from any thread.
std::string AppendRecordLine(const std::filesystem::path& file, std::string_view line,
                             std::uint64_t maxBytes = kRecordMaxBytes);

struct RecordContents {
    enum class Kind { Missing, Regular, NotOwned } kind = Kind::NotOwned;
    std::string bytes;    // Regular: the last maxBytes of the file, from a line start
    std::string problem;  // NotOwned: why it was not read
};

RecordContents ReadRecordFile(const std::filesystem::path& file, std::uint64_t maxBytes);

}  // namespace vantrel::runs
