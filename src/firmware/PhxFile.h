#pragma once
// Reading a PHX firmware file: the target and version header lines, then the enciphered
// data records into the image, up to the end record.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "firmware/FirmwareImage.h"

namespace vantrel {

// Where the records go: slots [0, recordCount) hold the records read so far, whatever
// the outcome; keyPos is the deciphering position, which runs on from line to line.
struct ImageSlots {
    std::span<FirmwareRecord, kRecordSlots> records;
    std::int16_t& recordCount;
    std::int16_t& keyPos;
};

enum class PhxOutcome {
    Loaded,           // every record up to the end record
    CannotOpen,       // no readable file, or fewer than two header lines
    MissingColon,     // a data line whose record text does not start with ":"
    ChecksumError,    // a data line whose checksum does not match
    DataLineFailure,  // the data ran out before the end record, a record too many, or undecipherable text
};

struct PhxReading {
    PhxOutcome outcome = PhxOutcome::CannotOpen;
    std::optional<std::string> target;   // line 1 without its markers, once read
    std::optional<std::string> version;  // line 2, once read
};

// A "#" anywhere drops the target line's last character, then an "@" anywhere in what is
// left drops the last character again.
std::string WithoutMarkers(std::string target);

// Reads the file at `path`. A failure to open or read it is an outcome, never an exception.
PhxReading ReadPhxFile(const std::string& path, const ImageSlots& image);

}  // namespace vantrel
