#include "programming/ProgramTav.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "app/Bootstrap.h"
#include "discovery/ProbePort.h"
#include "programming/EndProgramming.h"
#include "programming/OpenSelectedPort.h"
#include "programming/Progress.h"
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

// Sends the image from the last record to the first. False at the first record the tav
// never acknowledged; the records after it in the sending order are not sent.
bool SendImage(Bootstrap& w, bool irMicro) {
    const int count = w.RecordCount;
    for (int i = count - 1; i >= 0; --i) {
        ShowProgress(w, count - i, count);
        if (!SendRecord(w, static_cast<std::int16_t>(i), irMicro)) return false;
    }
    return true;
}

void Complete(Bootstrap& w, bool irMicro, bool rtsTarget) {
    if (irMicro) {
        (void)restart_quadrel_IR(w);
        return;
    }
    (void)EndProgramming(w);
    if (rtsTarget && ReopenPort(w, false)) (void)dumb_restart_unit(w);
}

void ReportFailureAndRestart(Bootstrap& w, bool irMicro) {
    w.CommonDialog1.MsgBox("Tav failed to reprogram. Tav must be programmed to operate", BoxStyle::OkExclamation,
                           "Error!");
    w.ProgressBar1.Value = 0;
    w.PleaseWait.Visible = false;
    // A tav left in its loader is restarted all the same; a port that has gone is skipped.
    if (!ReopenPort(w, false)) return;
    if (irMicro)
        (void)restart_quadrel_IR(w);
    else
        (void)restart_unit(w);
}

}  // namespace

void ProgramTav_Click(Bootstrap& w) {
    // Without a selected row there is no tav to program: touch no port.
    if (!SelectedRow(w)) {
        w.CommonDialog1.MsgBox("No tav selected", BoxStyle::OkExclamation, "Error!");
        return;
    }
    const bool irMicro = IsIrMicroTarget(w.TargetReply);
    const bool rtsTarget = w.TargetReply == kRtsTarget;

    w.PleaseWait.Visible = true;
    // The bar counts records; an image of up to 1024 records may exceed its design range.
    const int designMax = w.ProgressBar1.Max;
    w.ProgressBar1.Max = std::max<int>(designMax, w.RecordCount);

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
}

}  // namespace vantrel
