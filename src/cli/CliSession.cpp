#include "cli/CliSession.h"

#include <chrono>
#include <span>

#include "app/Bootstrap.h"
#include "app/Commands.h"
#include "app/LoadFirmwareFile.h"
#include "app/TavBoxes.h"
#include "cli/ConsoleDialogs.h"
#include "cli/ConsoleOutput.h"
#include "cli/InterruptSource.h"
#include "cli/ObservingPump.h"
#include "cli/TraceLog.h"
#include "cli/Transfers.h"
#include "cli/WatchCommand.h"
#include "programming/ProgramTav.h"
#include "runs/RunLog.h"

namespace vantrel::cli {
namespace {

std::string ComName(int port) { return "COM" + std::to_string(port); }

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

std::string PortList(const std::vector<int>& ports) {
    std::string list;
    for (const int port : ports) list += (list.empty() ? "" : ", ") + ComName(port);
    return list;
}

}  // namespace

CliSession::CliSession(const CliOptions& options, Bootstrap& w, ObservingPump& pump, ConsoleOutput& output,
                       ConsoleDialogs& dialogs, InterruptSource& interrupts, TraceLog* trace,
                       StartPortThread startPortThread, const runs::RunLogSettings* record)
    : options_(options), w_(w), pump_(pump), output_(output), dialogs_(dialogs), interrupts_(interrupts),
      trace_(trace), startPortThread_(std::move(startPortThread)), recordSettings_(record) {
    pump.beforeTurn = [this] {
        NoticeInterrupts();
        AbortIfAsked();
    };
    pump.afterTurn = pump.beforeTurn;
}

CliSession::~CliSession() = default;

ExitCode CliSession::Run() {
    try {
        const ExitCode code = RunCommand();
        if (w_.MSComm1.PortOpen()) w_.MSComm1.SetPortOpen(false);
        return code;
    } catch (const ProgramEnding&) {
        // Whatever was running, the port is not left open.
        output_.EndProgress();
        if (w_.MSComm1.PortOpen()) w_.MSComm1.SetPortOpen(false);
        return Finish(ExitCode::Interrupted, "interrupted");
    }
}

ExitCode CliSession::RunCommand() {
    switch (options_.command) {
        case Command::Load: return Load();
        case Command::Search: return Search();
        case Command::Program: return Program();
        case Command::Watch: return Watch();
        default: return ExitCode::Usage;
    }
}

ExitCode CliSession::Load() {
    // As the command-line load does: the path as given, EmergencyMode as at start-up.
    LoadFirmwareFile(w_, options_.file);
    if (interrupts_.Count() > 0) return Finish(ExitCode::Interrupted, "interrupted");
    if (!w_.File) return Finish(ExitCode::NotLoaded, "firmware file not loaded");
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

std::vector<int> CliSession::SelectedPorts(std::optional<Verdict>& refusal) const {
    std::vector<int> ports;
    if (options_.all) {
        for (int i = 0; i < 4; ++i)
            if (w_.Found[i].selectable) ports.push_back(i + 1);
        if (ports.empty()) refusal = Verdict{0, ExitCode::NoSelectableTav, "no selectable tav of the file's type"};
        return ports;
    }
    for (const int port : options_.ports) {
        if (!w_.Found[port - 1].selectable) {
            refusal = Verdict{port, ExitCode::NoSelectableTav, "no selectable tav on " + ComName(port)};
            return {};
        }
        ports.push_back(port);
    }
    return ports;
}

ExitCode CliSession::Program() {
    if (const ExitCode loaded = Load(); loaded != ExitCode::Succeeded) return loaded;
    if (options_.emergency && !EmergencySearch()) {
        return Finish(interrupts_.Count() > 0 ? ExitCode::Interrupted : ExitCode::Cancelled,
                      "emergency warning answered Cancel: nothing programmed");
    }
    PrintRows();

    std::optional<Verdict> refusal;
    const std::vector<int> selected = SelectedPorts(refusal);
    if (refusal) return Finish(refusal->code, refusal->summary);
    several_ = selected.size() > 1;

    // The version question of each tav, in port order, before any transfer starts.
    std::vector<Verdict> verdicts;
    std::vector<int> going;
    for (const int port : selected) {
        if (several_) dialogs_.SetPort(port);
        const VersionCheck check = CheckVersion(w_, static_cast<std::int16_t>(port - 1));
        dialogs_.SetPort(std::nullopt);
        if (interrupts_.Count() > 0) return Finish(ExitCode::Interrupted, "interrupted: nothing programmed");
        checks_[port] = check;
        if (check.goAhead)
            going.push_back(port);
        else
            verdicts.push_back({port, ExitCode::Cancelled, "version question answered Cancel: nothing programmed"});
    }
    if (!several_ && going.empty()) return Finish(verdicts[0].code, verdicts[0].summary);

    if (!going.empty()) {
        const std::span<const FirmwareRecord> image(w_.Records.data(), static_cast<std::size_t>(w_.RecordCount));
        if (const std::optional<int> line = FirstDataLineOutOfReach(image)) {
            const OutcomeBox box = OutOfReachBox(*line);
            TellBox(output_, trace_, std::nullopt, box.title, box.text);
            return Finish(ExitCode::ProgrammingFailed, "nothing programmed: no record was sent");
        }
    }
    for (const Verdict& v : Transfer(going)) verdicts.push_back(v);
    return Conclude(verdicts);
}

std::vector<CliSession::Verdict> CliSession::Transfer(const std::vector<int>& ports) {
    if (ports.empty()) return {};
    const ProgrammingJob job{std::span<const FirmwareRecord>(w_.Records.data(), static_cast<std::size_t>(w_.RecordCount)),
                             w_.TargetReply, 0, w_.Types.TypeTable};
    Transfers transfers(startPortThread_, pump_, output_, trace_, several_);
    transfers_ = &transfers;
    phase_ = Phase::Transferring;
    for (const int port : ports) {
        const PortFinding& row = w_.Found[port - 1];
        RunStart facts;
        facts.file = w_.File;
        facts.comPort = port;
        facts.emergency = w_.EmergencyMode != VbFalse;
        facts.tavShown = row.Text();
        facts.tavVersion = row.versionText;
        if (const VersionCheck& check = checks_[port]; check.asked) {
            facts.versionAsked = true;
            facts.versionQuestion = check.question;
            facts.versionAnswerOk = check.goAhead;
        }
        transfers.Start(port, job, facts, RecordFor(port));
    }
    {
        // The threads wake this pump when they end; an interruption wakes it too.
        InterruptsNoticed noticed(interrupts_);
        while (!transfers.AllDone()) pump_.RunPendingEvents(pump_.Now() + std::chrono::hours(1));
    }
    phase_ = Phase::Idle;
    transfers_ = nullptr;
    output_.EndProgress();

    const bool interrupted = interrupts_.Count() > 0;
    std::vector<Verdict> verdicts;
    for (const cli::Transfer* t : transfers.Results()) verdicts.push_back(VerdictOf(*t, interrupted));
    return verdicts;
}

ExitCode CliSession::Watch() {
    // Loaded without the search: the tavs on the bench are found by the watch's own probes,
    // which never restart a tav.
    ReadFirmwareFile(w_, options_.file);
    if (interrupts_.Count() > 0) return Finish(ExitCode::Interrupted, "interrupted");
    if (!w_.File) return Finish(ExitCode::NotLoaded, "firmware file not loaded");
    PrintFile();
    const std::span<const FirmwareRecord> image(w_.Records.data(), static_cast<std::size_t>(w_.RecordCount));
    if (const std::optional<int> line = FirstDataLineOutOfReach(image)) {
        const OutcomeBox box = OutOfReachBox(*line);
        TellBox(output_, trace_, std::nullopt, box.title, box.text);
        return Finish(ExitCode::ProgrammingFailed, "nothing programmed: no record was sent");
    }

    SlotJob job;
    job.image = std::make_shared<const std::vector<FirmwareRecord>>(image.begin(), image.end());
    job.targetReply = w_.TargetReply;
    job.fileVersion = FileVersion(w_);
    job.types = w_.Types.TypeTable;
    job.reprogramUpToDate = options_.answering == Answering::AlwaysOk;
    job.file = w_.File;
    const std::vector<int> ports = options_.ports.empty() ? std::vector<int>{1, 2, 3, 4} : options_.ports;

    WatchCommand watch(output_, startPortThread_, pump_, recordSettings_);
    watch_ = &watch;
    phase_ = Phase::Watching;
    watch.Start(job, ports);
    {
        // The slots wake this pump as they change and end; an interruption wakes it too.
        InterruptsNoticed noticed(interrupts_);
        while (watch.Running()) pump_.RunPendingEvents(pump_.Now() + std::chrono::hours(1));
    }
    phase_ = Phase::Idle;
    watch_ = nullptr;
    std::string summary;
    const ExitCode code = watch.Conclude(summary);
    return Finish(code, summary);
}

CliSession::Verdict CliSession::VerdictOf(const cli::Transfer& t, bool interrupted) {
    const ProgrammingRun& run = t.run;
    const std::optional<int> tag = several_ ? std::optional<int>(t.port) : std::nullopt;
    const auto verdict = [&t](ExitCode code, std::string summary) { return Verdict{t.port, code, std::move(summary)}; };
    if (!t.failure.empty()) {
        output_.Note("unexpected failure: " + t.failure, tag);
        return verdict(ExitCode::Failure, "unexpected failure");
    }
    if (t.abandoned)
        return verdict(ExitCode::Abandoned, "stopped at once: " + WireAccount(run) + ", the port closed" + ProgramAgain(run));
    using Ending = ProgrammingRun::Ending;
    switch (run.Outcome) {
        case Ending::NotStarted: return verdict(ExitCode::ProgrammingFailed, "nothing programmed: no record was sent");
        case Ending::Stopped:
            return verdict(ExitCode::Interrupted, "interrupted: " + WireAccount(run) + ", the port closed" + ProgramAgain(run));
        case Ending::RecordFailed:
            if (interrupted) output_.Note("the transfer failed before the interrupt could stop it", tag);
            return verdict(ExitCode::ProgrammingFailed, "programming failed: " + WireAccount(run) + ProgramAgain(run));
        case Ending::Completed: break;
    }
    if (interrupted)
        output_.Note("the interrupt came after the last record had gone out: the programming ran to its end", tag);
    if (run.TavRestart != ProgrammingRun::Restart::Confirmed)
        return verdict(ExitCode::NotAcknowledged, "completion not acknowledged: " + WireAccount(run));
    return verdict(ExitCode::Succeeded, ComName(t.port) + " programmed: " + std::to_string(run.RecordCount) + " records");
}

runs::RunLog* CliSession::RecordFor(int port) {
    if (!recordSettings_) return nullptr;
    auto& record = records_[port];
    record = std::make_unique<runs::RunLog>(*recordSettings_);
    return record.get();
}

void CliSession::CloseRecords(const std::vector<Verdict>& verdicts) {
    for (const Verdict& v : verdicts)
        if (const auto record = records_.find(v.port); record != records_.end())
            record->second->ExitStatus(ToInt(v.code), v.summary);
}

ExitCode CliSession::Conclude(const std::vector<Verdict>& unordered) {
    CloseRecords(unordered);
    if (!several_) return Finish(unordered[0].code, unordered[0].summary);
    std::vector<Verdict> verdicts = unordered;
    std::ranges::sort(verdicts, {}, &Verdict::port);
    // The status the first port that failed would have given alone.
    ExitCode code = ExitCode::Succeeded;
    std::vector<int> programmed, not_programmed;
    for (const Verdict& v : verdicts) {
        output_.PortOutcome(v.port, v.code, v.summary);
        if (v.code == ExitCode::Succeeded) {
            programmed.push_back(v.port);
        } else {
            not_programmed.push_back(v.port);
            if (code == ExitCode::Succeeded) code = v.code;
        }
    }
    std::string summary = std::to_string(programmed.size()) + " of " + std::to_string(verdicts.size()) +
                          " tavs programmed";
    if (!programmed.empty()) summary += ": " + PortList(programmed);
    if (!not_programmed.empty()) summary += "; not programmed: " + PortList(not_programmed);
    return Finish(code, summary);
}

void CliSession::PrintFile() { output_.File(w_.File->target, w_.File->version, w_.File->records); }

void CliSession::PrintRows() {
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        const PortFinding& row = w_.Found[i];
        if (!row.Opened()) continue;
        output_.Row(i + 1, row.Text(), row.selectable, row.version);
        any = true;
    }
    if (!any) output_.NoRows();
}

void CliSession::AbortIfAsked() {
    if (abort_) throw ProgramEnding{};
}

void CliSession::NoticeInterrupts() {
    const int count = interrupts_.Count();
    if (count == interruptsSeen_) return;
    interruptsSeen_ = count;
    OnInterrupt();
}

void CliSession::OnInterrupt() {
    if (trace_) trace_->Write("interrupt signal");
    if (phase_ == Phase::Watching) {
        if (interrupts_.Count() == 1) {
            watch_->Stop();
            output_.Note("interrupt: the watch ends; a transfer under way stops after the record being sent and its "
                         "tav is restarted (interrupt again to stop at once)");
        } else {
            watch_->Abandon();
        }
    } else if (phase_ != Phase::Transferring) {
        abort_ = true;
    } else if (interrupts_.Count() == 1) {
        transfers_->StopAtRecordBoundary();
        output_.Note(several_ ? "interrupt: stopping every transfer after the record being sent; each tav will be "
                                "restarted (interrupt again to stop at once)"
                              : "interrupt: stopping after the record being sent; the tav will be restarted "
                                "(interrupt again to stop at once)");
    } else {
        transfers_->Abandon();
    }
}

ExitCode CliSession::Finish(ExitCode code, const std::string& summary) {
    if (trace_) trace_->Write(std::string("outcome ") + OutcomeName(code) + (summary.empty() ? "" : ": " + summary));
    output_.Outcome(code, summary);
    return code;
}

}  // namespace vantrel::cli
