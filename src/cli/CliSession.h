#pragma once
// One run of vantrel-cli over the core: load, search or program by calling the very
// handlers and procedures the window's buttons call, and reading what they found and
// how each transfer ended from the data they leave (the loaded file, the result rows,
// each transfer's run record), never from captions. No protocol or file logic lives here.

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/VersionCheck.h"

#include "cli/CliOptions.h"
#include "cli/ExitCodes.h"
#include "serial/PortThread.h"

namespace vantrel {
class Bootstrap;
class EventPump;
}  // namespace vantrel
namespace vantrel::runs {
class RunLog;
struct RunLogSettings;
}  // namespace vantrel::runs

namespace vantrel::cli {

class ConsoleDialogs;
class ConsoleOutput;
class InterruptSource;
class ObservingPump;
class TraceLog;
class Transfers;
class WatchCommand;
struct Transfer;

class CliSession {
public:
    // record: how each programming run is recorded (none: it is not).
    CliSession(const CliOptions& options, Bootstrap& w, ObservingPump& pump, ConsoleOutput& output,
               ConsoleDialogs& dialogs, InterruptSource& interrupts, TraceLog* trace, StartPortThread startPortThread,
               const runs::RunLogSettings* record);
    ~CliSession();

    // Runs the command; every port is closed when it returns.
    ExitCode Run();

private:
    enum class Phase { Idle, Transferring, Watching };

    // What one tav came to: the exit status it alone would give, and its last line.
    struct Verdict {
        int port = 0;
        ExitCode code = ExitCode::Succeeded;
        std::string summary;
    };

    ExitCode RunCommand();
    ExitCode Load();
    ExitCode Search();
    ExitCode Program();
    ExitCode Watch();
    // Emergency_Click; false when the warning was answered Cancel.
    bool EmergencySearch();
    // The tavs to program: the named ones, or with --all every selectable one; none when
    // a named port has no selectable tav (`refusal` says why).
    std::vector<int> SelectedPorts(std::optional<Verdict>& refusal) const;
    // Runs the transfers of `ports` at once and waits for them.
    std::vector<Verdict> Transfer(const std::vector<int>& ports);
    // The record of COM `port`'s run, made for it.
    runs::RunLog* RecordFor(int port);
    // Each recorded run's end line takes the exit status and last line of its tav.
    void CloseRecords(const std::vector<Verdict>& verdicts);
    Verdict VerdictOf(const cli::Transfer& transfer, bool interrupted);
    ExitCode Conclude(const std::vector<Verdict>& verdicts);

    void PrintFile();
    void PrintRows();

    // Unwinds the running command (ProgramEnding) when an interruption asked for it.
    void AbortIfAsked();
    // Acts on the interruptions that came since it last looked.
    void NoticeInterrupts();
    void OnInterrupt();
    ExitCode Finish(ExitCode code, const std::string& summary);

    const CliOptions& options_;
    Bootstrap& w_;
    ObservingPump& pump_;
    ConsoleOutput& output_;
    ConsoleDialogs& dialogs_;
    InterruptSource& interrupts_;
    TraceLog* trace_;
    StartPortThread startPortThread_;
    const runs::RunLogSettings* recordSettings_;
    std::map<int, VersionCheck> checks_;  // each selected port's version question
    std::map<int, std::unique_ptr<runs::RunLog>> records_;

    Phase phase_ = Phase::Idle;
    bool several_ = false;  // more than one tav goes: what each says carries its port
    Transfers* transfers_ = nullptr;  // while they run
    WatchCommand* watch_ = nullptr;   // while it runs
    bool abort_ = false;  // unwind the running command at the next turn
    int interruptsSeen_ = 0;
};

}  // namespace vantrel::cli
