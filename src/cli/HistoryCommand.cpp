#include "cli/HistoryCommand.h"

#include <algorithm>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include "runs/HistoryCsv.h"
#include "runs/HostFacts.h"
#include "runs/RecordFile.h"
#include "runs/RunHistory.h"

namespace vantrel::cli {
namespace {

void Print(std::FILE* stream, const std::string& line) {
    std::fputs(line.c_str(), stream);
    std::fputc('\n', stream);
}

// The CSV's rows end CRLF of their own: a Windows console stream would make that CR CR LF.
void WriteBytesAsTheyAre(std::FILE* stream) {
#ifdef _WIN32
    std::fflush(stream);
    _setmode(_fileno(stream), _O_BINARY);
#else
    (void)stream;
#endif
}

// A file kept to its bound holds at most that much; allow for a rotation that was skipped.
constexpr std::uint64_t kReadAtMost = 2 * runs::kRecordMaxBytes;
constexpr int kDefaultCount = 20;

}  // namespace

ExitCode RunHistoryCommand(const runs::RecordLocation& where, const HistoryRequest& request, std::FILE* out,
                           std::FILE* err) {
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
    std::vector<runs::RecordedRunLines> all = runs::ParseRunRecord({contents.begin(), contents.end()});
    if (request.since) {
        std::erase_if(all, [&](const runs::RecordedRunLines& run) {
            const auto began = runs::RunTime(run);
            return !began || *began < *request.since;
        });
    }
    if (request.format == HistoryFormat::Csv) {
        WriteBytesAsTheyAre(out);
        std::fputs(runs::CsvHeaderRow().c_str(), out);
    }
    if (all.empty()) {
        if (request.format == HistoryFormat::Text)
            Print(out, "no runs recorded in " + runs::PathText(where.file) +
                           (request.since ? " since " + runs::UtcTimestamp(*request.since) : ""));
        return ExitCode::Succeeded;
    }
    const int count = request.count.value_or(request.since ? std::numeric_limits<int>::max() : kDefaultCount);
    const std::size_t shown = std::min(all.size(), static_cast<std::size_t>(count));
    for (auto run = all.end() - static_cast<std::ptrdiff_t>(shown); run != all.end(); ++run) {
        switch (request.format) {
            case HistoryFormat::Text: Print(out, runs::HistoryLine(*run)); break;
            case HistoryFormat::Csv: std::fputs(runs::CsvRow(*run).c_str(), out); break;
            case HistoryFormat::Json:
                if (run->start) Print(out, run->startLine);
                if (run->end) Print(out, run->endLine);
                break;
        }
    }
    return ExitCode::Succeeded;
}

}  // namespace vantrel::cli
