// vantrel-cli: the console front-end. Reads the command line, then hands over to RunCli.

#include <QCoreApplication>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliOptions.h"
#include "cli/ExitCodes.h"
#include "cli/PortsCommand.h"
#include "cli/RunCli.h"

int main(int argc, char** argv) {
    using namespace vantrel::cli;
    // The arguments as the system gave them: file names keep their bytes.
    const std::vector<std::string> args(argv + 1, argv + argc);
    QCoreApplication app(argc, argv);

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
        std::printf("vantrel-cli %d.%d.%d\n", VANTREL_VERSION_MAJOR, VANTREL_VERSION_MINOR, VANTREL_VERSION_REVISION);
        return ToInt(ExitCode::Succeeded);
    }
    if (options.command == Command::Ports)
        return ToInt(RunPortsCommand(vantrel::MachinePortRoots(), options.save, options.json, stdout, stderr));
    return ToInt(RunCli(options));
}
