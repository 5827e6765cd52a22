#include "cli/CliSession.h"

#include "app/Bootstrap.h"
#include "app/Commands.h"
#include "cli/ConsoleOutput.h"
#include "cli/InterruptSource.h"
#include "cli/ObservingPump.h"
#include "cli/TraceLog.h"
#include "app/LoadFirmwareFile.h"
#include "app/ProgramTavClick.h"

namespace vantrel::cli {
namespace {

// What the tav went through, from the flow's own account of the wire.
std::string WireAccount(const ProgrammingRun& run) {
    std::string text = std::to_string(run.RecordsAcknowledged) + " of " + std::to_string(run.RecordCount) +
                       " records acknowledged, ";
    switch (run.TavRestart) {
        case ProgrammingRun::Restart::Confirmed: text += "the tav confirmed its restart"; break;
        case ProgrammingRun::Restart::Unconfirmed: text += "the tav did not confirm its restart"; break;
        case ProgrammingRun::Restart::NotSent: text += "the tav was not restarted"; break;
    }
    return text;
}

std::string ProgramAgain(const ProgrammingRun& run) {
    return run.ImageIncomplete() ? "; the tav must be programmed again (with --emergency if it no longer answers "
                                   "the search)"
                                 : "";
}

}  // namespace

CliSession::CliSession(const CliOptions& options, Bootstrap& w, ObservingPump& pump, ConsoleOutput& output,
                       InterruptSource& interrupts, TraceLog* trace)
    : options_(options), w_(w), output_(output), interrupts_(interrupts), trace_(trace) {
    pump.beforeTurn = [this] { BeforeTurn(); };
    pump.afterTurn = [this] { AfterTurn(); };
}

ExitCode CliSession::Run() {
    try {
        const ExitCode code = RunCommand();
        if (w_.MSComm1.PortOpen()) w_.MSComm1.SetPortOpen(false);
        return code;
    } catch (const ProgramEnding&) {
        // Whatever was running, the port is not left open.
        output_.EndProgress();
        if (w_.MSComm1.PortOpen()) w_.MSComm1.SetPortOpen(false);
        if (phase_ != Phase::Programming) return Finish(ExitCode::Interrupted, "interrupted");
        const ProgrammingRun& run = w_.Programming;
        return Finish(ExitCode::Abandoned,
                      "stopped at once: " + WireAccount(run) + ", the port closed" + ProgramAgain(run));
    }
}

ExitCode CliSession::RunCommand() {
    switch (options_.command) {
        case Command::Load: return Load();
        case Command::Search: return Search();
        case Command::Program: return Program();
        default: return ExitCode::Usage;
    }
}

ExitCode CliSession::Load() {
    // As the command-line load does: the path as given, EmergencyMode as at start-up.
    LoadFirmwareFile(w_, options_.file);
    if (interrupts_.Count() > 0) return Finish(ExitCode::Interrupted, "interrupted");
    // A good load, and only a good one, enables Search and Emergency.
    if (!w_.search.Enabled || !w_.Emergency.Enabled) return Finish(ExitCode::NotLoaded, "firmware file not loaded");
    PrintFile();
    if (options_.command == Command::Load) {
        PrintRows();
        return Finish(ExitCode::Succeeded, "");
    }
    return ExitCode::Succeeded;
}

bool CliSession::EmergencySearch() {
    Emergency_Click(w_);
    return w_.EmergencyMode == VbTrue;
}

ExitCode CliSession::Search() {
    if (options_.emergency) {
        if (!EmergencySearch()) {
            return Finish(interrupts_.Count() > 0 ? ExitCode::Interrupted : ExitCode::Cancelled,
                          "emergency warning answered Cancel: no search");
        }
    } else {
        search_Click(w_);
    }
    if (interrupts_.Count() > 0) return Finish(ExitCode::Interrupted, "interrupted");
    PrintRows();
    return Finish(ExitCode::Succeeded, "");
}

ExitCode CliSession::Program() {
    if (const ExitCode loaded = Load(); loaded != ExitCode::Succeeded) return loaded;
    if (options_.emergency && !EmergencySearch()) {
        return Finish(interrupts_.Count() > 0 ? ExitCode::Interrupted : ExitCode::Cancelled,
                      "emergency warning answered Cancel: nothing programmed");
    }
    PrintRows();

    const int row = options_.port - 1;
    const std::string port = "COM" + std::to_string(options_.port);
    if (!w_.Option1[row].Visible || !w_.Option1[row].Enabled)
        return Finish(ExitCode::NoSelectableTav, "no selectable tav on " + port);

    // A click on an option button selects it and clears the others of its group.
    for (int i = 0; i < 4; ++i) w_.Option1[i].Value = i == row ? 1 : 0;
    Option1_Click(w_, static_cast<std::int16_t>(row));
    if (interrupts_.Count() > 0) return Finish(ExitCode::Interrupted, "interrupted: nothing programmed");
    if (!w_.ProgramTav.Enabled) return Finish(ExitCode::Cancelled, "version question answered Cancel: nothing programmed");

    phase_ = Phase::Programming;
    if (trace_) trace_->Write("program " + port);
    {
        // The first Ctrl-C stops at a record boundary, wherever it comes.
        InterruptsNoticed noticed(interrupts_);
        ProgramTav_Click(w_);
    }
    phase_ = Phase::Idle;
    output_.EndProgress();
    return ProgrammingOutcome(port);
}

ExitCode CliSession::ProgrammingOutcome(const std::string& port) {
    const ProgrammingRun& run = w_.Programming;
    const bool interrupted = interrupts_.Count() > 0;
    using Ending = ProgrammingRun::Ending;
    switch (run.Outcome) {
        case Ending::NotStarted: return Finish(ExitCode::ProgrammingFailed, "nothing programmed: no record was sent");
        case Ending::Stopped:
            return Finish(ExitCode::Interrupted,
                          "interrupted: " + WireAccount(run) + ", the port closed" + ProgramAgain(run));
        case Ending::RecordFailed:
            if (interrupted) output_.Note("the transfer failed before the interrupt could stop it");
            return Finish(ExitCode::ProgrammingFailed, "programming failed: " + WireAccount(run) + ProgramAgain(run));
        case Ending::Completed: break;
    }
    if (interrupted)
        output_.Note("the interrupt came after the last record had gone out: the programming ran to its end");
    if (run.TavRestart != ProgrammingRun::Restart::Confirmed)
        return Finish(ExitCode::NotAcknowledged, "completion not acknowledged: " + WireAccount(run));
    return Finish(ExitCode::Succeeded, port + " programmed: " + std::to_string(run.RecordCount) + " records");
}

void CliSession::PrintFile() {
    // Text2 reads "Version " and the file's version line.
    const std::string& version = w_.Text2.Caption;
    output_.File(w_.Text1.Caption, version.size() > 8 ? version.substr(8) : std::string(), w_.RecordCount);
}

void CliSession::PrintRows() {
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        if (!w_.TavType[i].Visible) continue;
        output_.Row(i + 1, w_.TavType[i].Caption, w_.Option1[i].Visible && w_.Option1[i].Enabled, w_.TavVersion[i]);
        any = true;
    }
    if (!any) output_.NoRows();
}

void CliSession::AbortIfAsked() {
    if (!abort_) return;
    if (trace_) trace_->CutShort("interrupted");
    throw ProgramEnding{};
}

void CliSession::BeforeTurn() {
    NoticeInterrupts();
    AbortIfAsked();
    if (trace_) trace_->Turn();
}

void CliSession::AfterTurn() {
    NoticeInterrupts();
    AbortIfAsked();
    if (phase_ == Phase::Programming) ShowProgress();
}

void CliSession::ShowProgress() {
    const int value = w_.ProgressBar1.Value;
    const std::string& caption = w_.Label2.Caption;
    if (value > 0 && (value != shownValue_ || caption != shownCaption_))
        output_.Progress(value, w_.RecordCount, caption);
    shownValue_ = value;
    shownCaption_ = caption;
}

void CliSession::NoticeInterrupts() {
    const int count = interrupts_.Count();
    if (count == interruptsSeen_) return;
    interruptsSeen_ = count;
    OnInterrupt();
}

void CliSession::OnInterrupt() {
    if (trace_) trace_->Note("interrupt signal");
    if (phase_ == Phase::Programming && interrupts_.Count() == 1) {
        w_.Programming.StopRequested = true;
        output_.Note("interrupt: stopping after the record being sent; the tav will be restarted "
                     "(interrupt again to stop at once)");
    } else {
        abort_ = true;
    }
}

ExitCode CliSession::Finish(ExitCode code, const std::string& summary) {
    if (trace_) trace_->Write(std::string("outcome ") + OutcomeName(code) + (summary.empty() ? "" : ": " + summary));
    output_.Outcome(code, summary);
    return code;
}

}  // namespace vantrel::cli
