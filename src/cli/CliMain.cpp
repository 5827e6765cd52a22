#include "cli/CliMain.h"

#include <cstdio>

#include "cli/HistoryCommand.h"
#include "cli/PortsCommand.h"

namespace vantrel::cli {

int CliMain(const std::vector<std::string>& args, const std::function<ExitCode(const CliOptions&)>& runCommand) {
    CliOptions options;
    try {
        options = ParseCliOptions(args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "vantrel-cli: %s\nTry 'vantrel-cli --help'.\n", e.what());
        return ToInt(ExitCode::Usage);
    }
    if (options.command == Command::Help) {
        std::fputs(CliUsage().c_str(), stdout);
        return ToInt(ExitCode::Succeeded);
    }
    if (options.command == Command::Version) {
        std::printf("vantrel-cli %d.%d.%d (commit %s)\n", VANTREL_VERSION_MAJOR, VANTREL_VERSION_MINOR,
                    VANTREL_VERSION_REVISION, VANTREL_COMMIT);
        return ToInt(ExitCode::Succeeded);
    }
    if (options.command == Command::Ports)
        return ToInt(RunPortsCommand(MachinePortRoots(), options.save, options.json, stdout, stderr));
    if (options.command == Command::History)
        return ToInt(RunHistoryCommand(runs::DefaultRecordLocation(),
                                       {options.historyCount,
                                        options.csv    ? HistoryFormat::Csv
                                        : options.json ? HistoryFormat::Json
                                                       : HistoryFormat::Text,
                                        options.since},
                                       stdout, stderr));
    return ToInt(runCommand(options));
}

}  // namespace vantrel::cli
