#include "cli/HistoryCommand.h"

#include <string>
#include <string_view>
#include <vector>

#include "runs/RecordFile.h"
#include "runs/RunHistory.h"

namespace vantrel::cli {
namespace {

void Print(std::FILE* stream, const std::string& line) {
    std::fputs(line.c_str(), stream);
    std::fputc('\n', stream);
}

// A file kept to its bound holds at most that much; allow for a rotation that was skipped.
constexpr std::uint64_t kReadAtMost = 2 * runs::kRecordMaxBytes;

}  // namespace

ExitCode RunHistoryCommand(const runs::RecordLocation& where, int count, bool json, std::FILE* out, std::FILE* err) {
    if (where.file.empty()) {
        Print(err, "vantrel-cli: no run record is kept: " +
                       (where.unavailable.empty() ? std::string("VANTREL_RUNS is none") : where.unavailable));
        return ExitCode::Succeeded;
    }
    // The earlier file first: its lines are the older ones.
    std::vector<std::string> contents;
    for (const auto& file : {runs::RolledFile(where.file), where.file}) {
        runs::RecordContents read = runs::ReadRecordFile(file, kReadAtMost);
        if (read.kind == runs::RecordContents::Kind::NotOwned) {
            Print(err, "vantrel-cli: the run record cannot be read: " + read.problem);
            return ExitCode::Failure;
        }
        contents.push_back(std::move(read.bytes));
    }
    const std::vector<runs::RecordedRunLines> all = runs::ParseRunRecord({contents.begin(), contents.end()});
    if (all.empty()) {
        if (!json) Print(out, "no runs recorded in " + runs::PathText(where.file));
        return ExitCode::Succeeded;
    }
    const std::size_t shown = std::min(all.size(), static_cast<std::size_t>(count));
    for (auto run = all.end() - static_cast<std::ptrdiff_t>(shown); run != all.end(); ++run) {
        if (!json) {
            Print(out, runs::HistoryLine(*run));
            continue;
        }
        if (run->start) Print(out, run->startLine);
        if (run->end) Print(out, run->endLine);
    }
    return ExitCode::Succeeded;
}

}  // namespace vantrel::cli
