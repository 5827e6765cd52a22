// Loads a PHX firmware file: the target and version header lines, then the enciphered
// data records into the image, up to the end record; a good file starts the search.

#include "firmware/LoadFirmwareFile.h"

#include <exception>
#include <optional>
#include <string_view>

#include "app/Bootstrap.h"
#include "discovery/SearchForTavs.h"
#include "firmware/DecodeLine.h"
#include "firmware/HexRecord.h"
#include "firmware/LoadedFile.h"
#include "firmware/LineReader.h"

namespace vantrel {
namespace {

// A target name is a few characters; a header line beyond this is no PHX file at all
// (a binary file without line ends, say) and is refused as unreadable.
constexpr std::size_t kMaxHeaderLine = 64 * 1024;

constexpr const char* kDialogFilter = "PHX (*.PHX)| *.phx";

void ShowError(Bootstrap& w, const std::string& text) {
    w.CommonDialog1.MsgBox(text, BoxStyle::OkExclamation, "Error!");
}

// The target line with its markers taken off: a "#" anywhere drops the last character,
// then an "@" anywhere in what is left drops the last character again.
std::string WithoutMarkers(std::string target) {
    if (target.find('#') != std::string::npos) target.pop_back();
    if (target.find('@') != std::string::npos) target.pop_back();
    return target;
}

// The reply code of the first type whose BootName is the target, exactly. An unknown
// target gets 0, which no tav answers with, so a file for an unknown type is never
// offered to a tav of whatever type the previous file was for.
std::uint8_t TargetReplyFor(const Bootstrap& w, const std::string& target) {
    for (const TypeRow& row : w.Types.TypeTable)
        if (row.BootName == target) return row.Reply;
    return 0;
}

enum class LineOutcome { Record, Failed };

// Reads and deciphers the next data line, keeping the characters of the record text.
// The characters after it are deciphered too (they advance the key) but not kept.
LineOutcome ReadDataLine(LineReader& file, std::int16_t& keyPos, std::string& record) {
    record.clear();
    bool deciphered = true;
    const LineReader::Status status = file.ReadLinePieces([&](std::string_view piece) {
        std::optional<std::string> plain = DecodeLine(piece, keyPos);
        if (!plain) {
            deciphered = false;
            return false;
        }
        if (record.size() < kRecordTextLength)
            record.append(std::string_view(*plain).substr(0, kRecordTextLength - record.size()));
        return true;
    });
    return status == LineReader::Status::Line && deciphered ? LineOutcome::Record : LineOutcome::Failed;
}

void OpenFailure(Bootstrap& w, std::optional<LineReader>& file) {
    ResetDisplay(w);
    file.reset();
    ShowError(w, "Cannot open Hex file");
}

void RecordError(Bootstrap& w, std::optional<LineReader>& file, const char* text) {
    file.reset();
    ShowError(w, std::string(text) + " " + std::to_string(w.RecordCount + 1));
}

void DataLineFailure(Bootstrap& w, std::optional<LineReader>& file) {
    file.reset();
    w.ProgressBar1.Value = 0;
    ResetDisplay(w);
    ShowError(w, "Error fallen of end of file on " + std::to_string(w.RecordCount + 1));
}

// Reads the two header lines into the window. False when the file cannot serve.
bool ReadHeader(Bootstrap& w, LineReader& file) {
    std::string line;
    if (file.ReadLine(line, kMaxHeaderLine) != LineReader::Status::Line) return false;
    w.Text1.Caption = WithoutMarkers(line);
    w.TargetReply = TargetReplyFor(w, w.Text1.Caption);

    if (file.ReadLine(line, kMaxHeaderLine) != LineReader::Status::Line) return false;
    w.Text2.Caption = "Version " + line;
    return true;
}

enum class DataOutcome { EndRecord, RecordError, Failed };

// Fills the image up to the end record. On a record error, `errorText` names it.
DataOutcome ReadRecords(Bootstrap& w, LineReader& file, const char*& errorText) {
    w.KeyPos = 1;  // once per file: the key runs on from one data line into the next
    w.RecordCount = 0;
    std::string text;
    for (;;) {
        if (ReadDataLine(file, w.KeyPos, text) == LineOutcome::Failed) return DataOutcome::Failed;

        const DataRecord record = ParseRecord(text);
        if (record.check == RecordCheck::MissingColon) {
            errorText = "Missing : on line_count";
            return DataOutcome::RecordError;
        }
        if (record.check == RecordCheck::ChecksumError) {
            errorText = "Checksum error on line_count";
            return DataOutcome::RecordError;
        }

        // The end record's address takes a slot of its own before it is recognised.
        const int slot = w.RecordCount;
        if (slot >= kRecordSlots) return DataOutcome::Failed;
        FirmwareRecord& stored = w.Records[static_cast<std::size_t>(slot)];
        stored.WordAddress = record.wordAddress;
        if (record.wordAddress == EndWordAddress) return DataOutcome::EndRecord;
        stored.Data = record.data;
        ++w.RecordCount;
    }
}

}  // namespace

void LoadFirmwareFile(Bootstrap& w, std::string path) {
    ResetDisplay(w);
    w.File = {};  // run record hook: no file is the image's until this one has loaded

    std::optional<LineReader> file;
    bool opened = false;
    try {
        if (path.empty()) {
            path = w.CommonDialog1.ShowOpen(kDialogFilter, true);
            if (path.empty()) return;  // cancelled: the display stays reset
        }
        file = LineReader::Open(path);
        opened = file && ReadHeader(w, *file);
    } catch (const std::exception&) {
        opened = false;
    }
    if (!opened) {
        OpenFailure(w, file);
        return;
    }

    const char* errorText = nullptr;
    DataOutcome outcome;
    try {
        outcome = ReadRecords(w, *file, errorText);
    } catch (const std::exception&) {
        outcome = DataOutcome::Failed;
    }
    switch (outcome) {
    case DataOutcome::Failed: DataLineFailure(w, file); return;
    case DataOutcome::RecordError: RecordError(w, file, errorText); return;
    case DataOutcome::EndRecord: break;
    }

    file.reset();
    // Run record hook: the file behind the image.
    w.File = DescribeLoadedFile(path, w.Text1.Caption, w.Text2.Caption.substr(8), w.RecordCount);
    w.search.Enabled = true;
    w.Emergency.Enabled = true;
    // The search reports its own failures.
    SearchForTavs(w);
}

}  // namespace vantrel
