// Loads a PHX firmware file into the window: the target and version shown, the image
// read, each failure told in its box; a good file starts the search.

#include "app/LoadFirmwareFile.h"

#include <utility>

#include "app/Bootstrap.h"
#include "app/SearchForTavs.h"
#include "firmware/PhxFile.h"

namespace vantrel {
namespace {

void ShowError(Bootstrap& w, const std::string& text) {
    w.CommonDialog1.MsgBox(text, BoxStyle::OkExclamation, "Error!");
}

// The reply code of the first type whose BootName is the target, exactly. An unknown
// target gets 0, which no tav answers with, so a file for an unknown type is never
// offered to a tav of whatever type the previous file was for.
std::uint8_t TargetReplyFor(const Bootstrap& w, const std::string& target) {
    for (const TypeRow& row : w.Types.TypeTable)
        if (row.BootName == target) return row.Reply;
    return 0;
}

// The failed data line's number, counted from 1.
std::string DataLine(const Bootstrap& w) { return std::to_string(w.RecordCount + 1); }

}  // namespace

bool ReadFirmwareFile(Bootstrap& w, std::string path) {
    ResetDisplay(w);
    w.File.reset();
    if (path.empty()) {
        path = w.CommonDialog1.ShowOpen(kPhxDialogFilter, true);
        if (path.empty()) return false;  // cancelled: the display stays reset
    }

    // Nothing here throws for a file that cannot be opened or read: that is an outcome.
    // What does throw (memory running out) is no file problem and is not told as one.
    const PhxReading reading = ReadPhxFile(path, {w.Records, w.RecordCount, w.KeyPos});
    if (reading.target) {
        w.Text1.Caption = *reading.target;
        w.TargetReply = TargetReplyFor(w, *reading.target);
    }
    if (reading.version) w.Text2.Caption = "Version " + *reading.version;

    switch (reading.outcome) {
    case PhxOutcome::CannotOpen:
        ResetDisplay(w);
        ShowError(w, "Cannot open Hex file");
        return false;
    case PhxOutcome::MissingColon: ShowError(w, "Missing : on line_count " + DataLine(w)); return false;
    case PhxOutcome::ChecksumError: ShowError(w, "Checksum error on line_count " + DataLine(w)); return false;
    case PhxOutcome::DataLineFailure:
        w.ProgressBar1.Value = 0;
        ResetDisplay(w);
        ShowError(w, "Error fallen of end of file on " + DataLine(w));
        return false;
    case PhxOutcome::Loaded: break;
    }

    w.File = DescribeLoadedFile(path, *reading.target, *reading.version, w.RecordCount);
    w.search.Enabled = true;
    w.Emergency.Enabled = true;
    return true;
}

void LoadFirmwareFile(Bootstrap& w, std::string path) {
    // The search reports its own failures.
    if (ReadFirmwareFile(w, std::move(path))) SearchForTavs(w);
}

}  // namespace vantrel
