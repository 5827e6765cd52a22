#pragma once
// vantrel-cli history [-n N] [--json]: the last N programming runs from the run record,
// newest last; --json gives their lines as stored.

#include <cstdio>

#include "cli/ExitCodes.h"
#include "runs/RecordLocation.h"

namespace vantrel::cli {

ExitCode RunHistoryCommand(const runs::RecordLocation& where, int count, bool json, std::FILE* out, std::FILE* err);

}  // namespace vantrel::cli
