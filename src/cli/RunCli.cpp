#include "cli/RunCli.h"

#include <unistd.h>

#include <csignal>
#include <exception>
#include <memory>

#include "app/Bootstrap.h"
#include "cli/CliSession.h"
#include "cli/ConsoleDialogs.h"
#include "cli/ConsoleOutput.h"
#include "cli/InterruptWatch.h"
#include "cli/ObservingPump.h"
#include "cli/TraceLog.h"
#include "cli/TracingSerialPort.h"
#include "qt/QtEventPump.h"
#include "qt/QtSerialPort.h"
#include "registry/RegistryStore.h"

namespace vantrel::cli {

ExitCode RunCli(const CliOptions& options) {
    // A reader of our output that goes away (a pipe into head) must not kill the run
    // halfway through a transfer: writes then fail quietly and the run ends as it would.
    std::signal(SIGPIPE, SIG_IGN);
    ConsoleOutput output(options.json, ::isatty(STDOUT_FILENO) == 1);
    QtEventPump realPump;
    ObservingPump pump(realPump);

    std::unique_ptr<TraceLog> trace;
    if (!options.tracePath.empty()) {
        try {
            trace = std::make_unique<TraceLog>(options.tracePath, pump);
        } catch (const std::exception& e) {
            output.Note(e.what());
            output.Outcome(ExitCode::Failure, "cannot write the trace");
            return ExitCode::Failure;
        }
    }

    // Bootstrap -> trace -> QSerialPort: the trace shows what really went out.
    QtSerialPort serial;
    TracingSerialPort port(serial, trace.get());

    InterruptWatch interrupts;
    ConsoleDialogs dialogs(output, options.answering, interrupts, trace.get());
    std::unique_ptr<RegistryStore> registry = OpenDefaultRegistryStore();

    Bootstrap w(port, pump, dialogs, *registry);
    if (trace) trace->WatchTimer(w.Timer1);
    Form_Load(w);

    CliSession session(options, w, pump, output, interrupts, trace.get());
    try {
        return session.Run();
    } catch (const std::exception& e) {
        // The core handles its own failures; this is the platform failing under it.
        if (w.MSComm1.PortOpen()) w.MSComm1.SetPortOpen(false);
        output.EndProgress();
        output.Note(std::string("unexpected failure: ") + e.what());
        output.Outcome(ExitCode::Failure, "unexpected failure");
        return ExitCode::Failure;
    }
}

}  // namespace vantrel::cli
