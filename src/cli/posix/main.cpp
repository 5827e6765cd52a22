// vantrel-cli on Linux: the console front-end over Qt Core's event loop and QSerialPort,
// with POSIX signals and terminal. Wiring only: everything else is shared.

#include <unistd.h>

#include <QCoreApplication>
#include <csignal>

#include "cli/CliMain.h"
#include "cli/RunCli.h"
#include "cli/posix/PollTerminalReader.h"
#include "cli/posix/SignalInterrupts.h"
#include "posix/QtEventPump.h"
#include "posix/QtPortThread.h"
#include "posix/QtSerialPort.h"

int main(int argc, char** argv) {
    using namespace vantrel;
    using namespace vantrel::cli;
    // The arguments as the system gave them: file names keep their bytes.
    const std::vector<std::string> args(argv + 1, argv + argc);
    QCoreApplication app(argc, argv);
    return CliMain(args, [](const CliOptions& options) {
        // A reader of our output that goes away (a pipe into head) must not kill the run
        // halfway through a transfer: writes then fail quietly and the run ends as it would.
        std::signal(SIGPIPE, SIG_IGN);
        SignalInterrupts interrupts;
        PollTerminalReader terminal(STDIN_FILENO, interrupts.WakeFd());
        QtEventPump pump;
        QtSerialPort serial;
        return RunCli(options, {serial, pump, interrupts, terminal, ::isatty(STDOUT_FILENO) == 1,
                                ::isatty(STDIN_FILENO) == 1, StartQtPortThread});
    });
}
