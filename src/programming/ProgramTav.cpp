#include "programming/ProgramTav.h"

#include <cstdint>
#include <optional>
#include <string>

#include "app/Bootstrap.h"
#include "app/CommandScope.h"
#include "discovery/ProbePort.h"
#include "programming/EndProgramming.h"
#include "programming/OpenSelectedPort.h"
#include "programming/Progress.h"
#include "programming/RecordedRun.h"
#include "programming/SendRecord.h"
#include "serial/RestartCommands.h"

namespace vantrel {
namespace {

void CannotOpen(Bootstrap& w) {
    w.CommonDialog1.MsgBox("Cannot open COM" + std::to_string(w.MSComm1.CommPort()), BoxStyle::OkExclamation,
                           "Error!");
}

// Port of the selected row open, with RTS as the target needs, after the probe that wakes
// the tav's loader. False when a port could not be opened (the user has been told).
bool PreparePort(Bootstrap& w, bool rtsTarget) {
    if (!OpenSelectedPort(w) || !ReopenPort(w, false)) {
        CannotOpen(w);
        return false;
    }
    if (rtsTarget) {
        (void)ProbePort(w, false);
        if (!ReopenPort(w, true)) {
            CannotOpen(w);
            return false;
        }
    }
    (void)ProbePort(w, false);
    return true;
}

// Sends the image from the last record to the first. Stops at the first record the tav
// never acknowledged, or before the next record once a stop has been asked for; the
// records after it in the sending order are not sent.
bool SendImage(Bootstrap& w, bool irMicro) {
    ProgrammingRun& run = w.Programming;
    const int count = w.RecordCount;
    for (int i = count - 1; i >= 0; --i) {
        if (run.StopRequested) {
            run.Outcome = ProgrammingRun::Ending::Stopped;
            return false;
        }
        ShowProgress(w, count - i, count);
        run.TransferBegun = true;
        int attempts = 0;
        const bool acknowledged = SendRecord(w, static_cast<std::int16_t>(i), irMicro, &attempts);
        if (attempts > 1) run.RecordRetries += attempts - 1;  // run record hook
        if (!acknowledged) {
            run.Outcome = ProgrammingRun::Ending::RecordFailed;
            return false;
        }
        ++run.RecordsAcknowledged;
    }
    run.Outcome = ProgrammingRun::Ending::Completed;
    return true;
}

ProgrammingRun::Restart Confirmed(bool confirmed) {
    return confirmed ? ProgrammingRun::Restart::Confirmed : ProgrammingRun::Restart::Unconfirmed;
}

// The completion (the tav leaves its loader and confirms) or the IR micro's restart.
void Complete(Bootstrap& w, bool irMicro, bool rtsTarget) {
    ProgrammingRun& run = w.Programming;
    run.TavRestart = ProgrammingRun::Restart::Unconfirmed;  // stays so if the program ends meanwhile
    if (irMicro) {
        run.TavRestart = Confirmed(restart_quadrel_IR(w));
        return;
    }
    run.TavRestart = Confirmed(EndProgramming(w));
    if (rtsTarget && ReopenPort(w, false)) (void)dumb_restart_unit(w);
}

void ReportFailureAndRestart(Bootstrap& w, bool irMicro) {
    w.CommonDialog1.MsgBox("Tav failed to reprogram. Tav must be programmed to operate", BoxStyle::OkExclamation,
                           "Error!");
    w.ProgressBar1.Value = 0;
    w.PleaseWait.Visible = false;
    // A tav left in its loader is restarted all the same; a port that has gone is skipped.
    if (!ReopenPort(w, false)) return;
    ProgrammingRun& run = w.Programming;
    run.TavRestart = ProgrammingRun::Restart::Unconfirmed;  // stays so if the program ends meanwhile
    run.TavRestart = Confirmed(irMicro ? restart_quadrel_IR(w) : restart_unit(w));
}

// A record whose address field was 8000 hex or above holds a negative word address, which
// has no place in the tav's memory: sent as its 16-bit pattern it would land elsewhere and
// be acknowledged. The first such record in file order, counted in data lines from 1 as
// the loader's own errors count them.
std::optional<int> FirstDataLineOutOfReach(const Bootstrap& w) {
    for (int i = 0; i < w.RecordCount; ++i)
        if (w.Records[static_cast<std::size_t>(i)].WordAddress < 0) return i + 1;
    return std::nullopt;
}

// Marks the flow as running for as long as it runs, also when a closed window unwinds it.
class RunningFlag {
public:
    explicit RunningFlag(ProgrammingRun& run) : run_(run) { run_.Running = true; }
    ~RunningFlag() { run_.Running = false; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;

private:
    ProgrammingRun& run_;
};

}  // namespace

void ProgramTav_Click(Bootstrap& w) {
    const CommandScope command(w);
    if (!command) return;  // another command holds the port
    w.Programming = ProgrammingRun{};
    w.Programming.RecordCount = w.RecordCount;
    // Without a selected row there is no tav to program: touch no port.
    if (!SelectedRow(w)) {
        w.CommonDialog1.MsgBox("No tav selected", BoxStyle::OkExclamation, "Error!");
        return;
    }
    if (const std::optional<int> line = FirstDataLineOutOfReach(w)) {
        w.CommonDialog1.MsgBox("Address 8000 hex or above on data line " + std::to_string(*line) +
                                   ": nothing was sent to the tav",
                               BoxStyle::OkExclamation, "Error!");
        return;
    }
    const bool irMicro = IsIrMicroTarget(w.TargetReply);
    const bool rtsTarget = w.TargetReply == kRtsTarget;

    const RunningFlag running(w.Programming);

    w.PleaseWait.Visible = true;
    // Run record hook: the start line now, the end line when this goes (after the port
    // is closed, or while the flow unwinds).
    const RecordedRun recorded(w);
    // The bar's range is the record count while the image goes out, so that bar and
    // percentage agree; an empty image shows no progress and keeps the design range.
    const int designMax = w.ProgressBar1.Max;
    if (w.RecordCount > 0) w.ProgressBar1.Max = w.RecordCount;

    if (PreparePort(w, rtsTarget)) {
        if (SendImage(w, irMicro))
            Complete(w, irMicro, rtsTarget);
        else
            ReportFailureAndRestart(w, irMicro);
    }

    w.ProgressBar1.Value = 0;
    w.ProgressBar1.Max = designMax;
    ClosePort(w);
    w.PleaseWait.Visible = false;
    if (w.Programming.EndWhenDone) EndProgram(w);
}

}  // namespace vantrel
