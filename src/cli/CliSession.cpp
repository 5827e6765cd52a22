#include "cli/CliSession.h"

#include "app/Bootstrap.h"
#include "app/Commands.h"
#include "cli/ConsoleDialogs.h"
#include "cli/ConsoleOutput.h"
#include "cli/InterruptSource.h"
#include "cli/ObservingPump.h"
#include "cli/TraceLog.h"
#include "cli/TransferStop.h"
#include "firmware/LoadFirmwareFile.h"
#include "programming/ProgramTav.h"

namespace vantrel::cli {
namespace {

// The boxes that tell how a programming run ended.
bool Is(const ShownBox& box, const char* title, const char* text) { return box.title == title && box.text == text; }

}  // namespace

CliSession::CliSession(const CliOptions& options, Bootstrap& w, ObservingPump& pump, ConsoleDialogs& dialogs,
                       ConsoleOutput& output, InterruptSource& interrupts, TransferStop& stop, TraceLog* trace)
    : options_(options), w_(w), dialogs_(dialogs), output_(output), interrupts_(interrupts), stop_(stop),
      trace_(trace) {
    pump.beforeTurn = [this] { return BeforeTurn(); };
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
        return Finish(ExitCode::Interrupted, phase_ == Phase::Programming
                                                 ? "interrupted at once: the tav was left in its loader"
                                                 : "interrupted");
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

    const std::size_t firstBox = dialogs_.Shown().size();
    phase_ = Phase::Programming;
    if (trace_) trace_->Write("program " + port);
    {
        // The first Ctrl-C stops at a record boundary, wherever it comes.
        InterruptsNoticed noticed(interrupts_);
        ProgramTav_Click(w_);
    }
    phase_ = Phase::Idle;
    output_.EndProgress();

    if (stop_.Requested() && !stop_.WithheldAny())
        output_.Note("the interrupt came after the last record: the programming ran to its end");
    std::string summary;
    const ExitCode code = ProgrammingOutcome(firstBox, summary);
    if (code == ExitCode::Succeeded) summary = port + " programmed: " + std::to_string(w_.RecordCount) + " records";
    return Finish(code, summary);
}

ExitCode CliSession::ProgrammingOutcome(std::size_t firstBox, std::string& summary) const {
    bool transferFailed = false, restartFailed = false, acknowledged = false, anyError = false;
    const auto& boxes = dialogs_.Shown();
    for (std::size_t i = firstBox; i < boxes.size(); ++i) {
        const ShownBox& box = boxes[i];
        transferFailed |= Is(box, "Error!", "Tav failed to reprogram. Tav must be programmed to operate");
        restartFailed |= Is(box, "Error! ", "Failed to restart unit") ||
                         Is(box, "Error!", "No reply to restart IR micro") ||
                         Is(box, "Error!", "Reply fail to restart IR micro");
        acknowledged |= Is(box, "OK! ", "Tav reprogram suceeded");
        anyError |= box.title.starts_with("Error!");
    }
    if (stop_.WithheldAny()) {
        summary = "interrupted after " + std::to_string(stop_.RecordsBeforeStop()) + " of " +
                  std::to_string(w_.RecordCount) + " records: the tav was restarted and the port closed";
        return ExitCode::Interrupted;
    }
    if (transferFailed) {
        summary = "programming failed";
        return ExitCode::ProgrammingFailed;
    }
    if (restartFailed) {
        summary = "completion not acknowledged: the tav did not confirm its restart";
        return ExitCode::NotAcknowledged;
    }
    // IR-micro targets end with the micro's restart, which shows a box only when it fails.
    if (acknowledged || (IsIrMicroTarget(w_.TargetReply) && !anyError)) return ExitCode::Succeeded;
    summary = "programming failed: the flow did not reach its end";
    return ExitCode::ProgrammingFailed;
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

bool CliSession::BeforeTurn() {
    NoticeInterrupts();
    AbortIfAsked();
    if (stop_.Withholding()) {
        // Nothing went out, so nothing can come back: end the wait now.
        if (w_.Timer1.Enabled()) {
            if (trace_) trace_->CutShort("transfer stopping");
            w_.Timer1.SetEnabled(false);
        }
        return false;
    }
    if (trace_) trace_->Turn();
    return true;
}

void CliSession::AfterTurn() {
    NoticeInterrupts();
    AbortIfAsked();
    if (phase_ == Phase::Programming) ShowProgress();
}

void CliSession::ShowProgress() {
    if (stop_.Withholding()) return;  // that record does not go out
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
        stop_.Request();
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
