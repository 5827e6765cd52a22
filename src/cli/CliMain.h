#pragma once
// What every platform's main does with the command line: a usage error, --help,
// --version and the ports command (it opens no port) are dealt with here; a command goes
// to runCommand, which makes the platform's pieces and calls RunCli. Returns the
// process's exit status.

#include <functional>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/ExitCodes.h"

namespace vantrel::cli {

// args: the arguments after the program name, in the system's bytes.
int CliMain(const std::vector<std::string>& args, const std::function<ExitCode(const CliOptions&)>& runCommand);

}  // namespace vantrel::cli
