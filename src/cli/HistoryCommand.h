#pragma once
// vantrel-cli history [-n N] [--since DATE] [--json | --csv]: programming runs from the
// run record, newest last; --json gives their lines as stored, --csv a table.

#include <cstdio>
#include <optional>

#include "cli/ExitCodes.h"
#include "runs/RecordLocation.h"
#include "runs/RecordTime.h"

namespace vantrel::cli {

enum class HistoryFormat { Text, Json, Csv };

struct HistoryRequest {
    std::optional<int> count = {};  // the last N runs; none: the last 20, or with since every run since
    HistoryFormat format = HistoryFormat::Text;
    std::optional<runs::RecordTime> since = {};  // only the runs begun at or after it
};

ExitCode RunHistoryCommand(const runs::RecordLocation& where, const HistoryRequest& request, std::FILE* out,
                           std::FILE* err);

}  // namespace vantrel::cli
