#include "cli/RunCli.h"

#include <atomic>
#include <exception>
#include <memory>
#include <optional>

#include "app/Bootstrap.h"
#include "cli/CliSession.h"
#include "cli/ConsoleDialogs.h"
#include "cli/ConsoleOutput.h"
#include "cli/DeniedPortNotice.h"
#include "cli/InterruptSource.h"
#include "cli/ObservingPump.h"
#include "cli/TraceLog.h"
#include "cli/TracingSerialPort.h"
#include "registry/RegistryStore.h"
#include "runs/RunLog.h"

namespace vantrel::cli {

ExitCode RunCli(const CliOptions& options, const ConsolePlatform& platform) {
    ConsoleOutput output(options.json, platform.stdoutIsTerminal);
    // Outside the waits nothing would notice an interruption (a blocking open of the
    // type table store or of the firmware file may never return): it ends the run
    // there and then, saying so as an interrupted run does.
    bool onStdout = false;
    const std::string lastWords = output.OutcomeLine(ExitCode::Interrupted, "interrupted", onStdout);
    platform.interrupts.EndAtOnceWith(lastWords, onStdout, ToInt(ExitCode::Interrupted));

    ObservingPump pump(platform.pump, platform.interrupts);

    std::unique_ptr<TraceLog> trace;
    if (!options.tracePath.empty()) {
        try {
            trace = std::make_unique<TraceLog>(options.tracePath);
        } catch (const std::exception& e) {
            output.Note(e.what());
            output.Outcome(ExitCode::Failure, "cannot write the trace");
            return ExitCode::Failure;
        }
    }

    // Bootstrap -> trace -> permission notice -> the platform's port: the trace shows
    // what really went out.
    DeniedPortNotice noticed(platform.serial, stderr,
                             [&output](int port, const std::string& text) { output.PortNote(port, text); });
    TracingSerialPort port(noticed, trace.get());

    ConsoleDialogs dialogs(output, options.answering, platform.interrupts, platform.terminal,
                           platform.stdinIsTerminal, trace.get());
    std::unique_ptr<RegistryStore> registry = OpenDefaultRegistryStore();

    Bootstrap w(port, pump, dialogs, *registry);
    std::optional<TraceWaits> waits;
    if (trace) w.Wire.SetObserver(&waits.emplace(*trace));
    Form_Load(w);

    // Each tav's run leaves its record; its end line waits for the exit status and the
    // last line that the tav's outcome brings. A record that cannot be written is noted
    // once, whichever port's thread finds it.
    std::atomic<bool> recordTroubleNoted{false};
    runs::RunLogSettings record;
    record.location = runs::DefaultRecordLocation();
    record.frontEnd = "console";
    record.endAwaitsExitStatus = true;
    record.onTrouble = [&](const std::string& problem) {
        if (recordTroubleNoted.exchange(true)) return;
        output.Note("run record not written (the run goes on): " + problem);
    };

    CliSession session(options, w, pump, output, dialogs, platform.interrupts, trace.get(), platform.startPortThread,
                       &record);
    ExitCode code = ExitCode::Failure;
    try {
        code = session.Run();
    } catch (const std::exception& e) {
        // The core handles its own failures; this is the platform failing under it.
        if (w.MSComm1.PortOpen()) w.MSComm1.SetPortOpen(false);
        output.EndProgress();
        output.Note(std::string("unexpected failure: ") + e.what());
        output.Outcome(ExitCode::Failure, "unexpected failure");
    }
    // The outcome is out: an interruption from here on only ends the process.
    platform.interrupts.EndAtOnceWith({}, onStdout, ToInt(code));
    return code;
}

}  // namespace vantrel::cli
