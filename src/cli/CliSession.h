#pragma once
// One run of vantrel-cli over the core: load, search or program by calling the very
// handlers the window's buttons call, watching the window model for rows and progress,
// and telling the outcome from the programming flow's own account of the wire. No
// protocol or file logic lives here.

#include <string>

#include "cli/CliOptions.h"
#include "cli/ExitCodes.h"

namespace vantrel {
class Bootstrap;
}

namespace vantrel::cli {

class ConsoleOutput;
class InterruptSource;
class ObservingPump;
class TraceLog;

class CliSession {
public:
    CliSession(const CliOptions& options, Bootstrap& w, ObservingPump& pump, ConsoleOutput& output,
               InterruptSource& interrupts, TraceLog* trace);

    // Runs the command; the port is closed when it returns.
    ExitCode Run();

private:
    enum class Phase { Idle, Programming };

    ExitCode RunCommand();
    ExitCode Load();
    ExitCode Search();
    ExitCode Program();
    // Emergency_Click; false when the warning was answered Cancel.
    bool EmergencySearch();
    // The closing lines from what the flow did on the wire.
    ExitCode ProgrammingOutcome(const std::string& port);

    void PrintFile();
    void PrintRows();

    // Unwinds the running command (ProgramEnding) when an interruption asked for it.
    void AbortIfAsked();
    void BeforeTurn();
    void AfterTurn();
    void ShowProgress();
    // Acts on the interruptions that came since it last looked.
    void NoticeInterrupts();
    void OnInterrupt();
    ExitCode Finish(ExitCode code, const std::string& summary);

    const CliOptions& options_;
    Bootstrap& w_;
    ConsoleOutput& output_;
    InterruptSource& interrupts_;
    TraceLog* trace_;

    Phase phase_ = Phase::Idle;
    bool abort_ = false;  // unwind the running command at the next turn
    int interruptsSeen_ = 0;
    int shownValue_ = 0;
    std::string shownCaption_;
};

}  // namespace vantrel::cli
