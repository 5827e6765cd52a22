#pragma once
// Puts the console front-end together (Qt serial port and event pump, the trace and
// stop decorators, console dialogs, the registry store, the window model) and runs
// one command.

#include "cli/CliOptions.h"
#include "cli/ExitCodes.h"

namespace vantrel::cli {

// Needs a QCoreApplication.
ExitCode RunCli(const CliOptions& options);

}  // namespace vantrel::cli
