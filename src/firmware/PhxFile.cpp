#include "firmware/PhxFile.h"

#include <string_view>

#include "firmware/DecodeLine.h"
#include "firmware/HexRecord.h"
#include "firmware/LineReader.h"

namespace vantrel {
namespace {

// A target name is a few characters; a header line beyond this is no PHX file at all
// (a binary file without line ends, say) and is refused as unreadable.
constexpr std::size_t kMaxHeaderLine = 64 * 1024;

// Reads and deciphers the next data line, keeping the characters of the record text.
// The characters after it are deciphered too (they advance the key) but not kept.
bool ReadDataLine(LineReader& file, std::int16_t& keyPos, std::string& record) {
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
    return status == LineReader::Status::Line && deciphered;
}

// Fills the image up to the end record.
PhxOutcome ReadRecords(LineReader& file, const ImageSlots& image) {
    image.keyPos = 1;  // once per file: the key runs on from one data line into the next
    image.recordCount = 0;
    std::string text;
    for (;;) {
        if (!ReadDataLine(file, image.keyPos, text)) return PhxOutcome::DataLineFailure;

        const DataRecord record = ParseRecord(text);
        if (record.check == RecordCheck::MissingColon) return PhxOutcome::MissingColon;
        if (record.check == RecordCheck::ChecksumError) return PhxOutcome::ChecksumError;

        // The end record's address takes a slot of its own before it is recognised.
        const int slot = image.recordCount;
        if (slot >= kRecordSlots) return PhxOutcome::DataLineFailure;
        FirmwareRecord& stored = image.records[static_cast<std::size_t>(slot)];
        stored.WordAddress = record.wordAddress;
        if (record.wordAddress == EndWordAddress) return PhxOutcome::Loaded;
        stored.Data = record.data;
        ++image.recordCount;
    }
}

}  // namespace

std::string WithoutMarkers(std::string target) {
    if (target.find('#') != std::string::npos) target.pop_back();
    if (target.find('@') != std::string::npos) target.pop_back();
    return target;
}

PhxReading ReadPhxFile(const std::string& path, const ImageSlots& image) {
    PhxReading reading;
    std::optional<LineReader> file = LineReader::Open(path);
    if (!file) return reading;
    std::string line;
    if (file->ReadLine(line, kMaxHeaderLine) != LineReader::Status::Line) return reading;
    reading.target = WithoutMarkers(line);
    if (file->ReadLine(line, kMaxHeaderLine) != LineReader::Status::Line) return reading;
    reading.version = line;
    reading.outcome = ReadRecords(*file, image);
    return reading;
}

}  // namespace vantrel
