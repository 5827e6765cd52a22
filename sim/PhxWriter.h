#pragma once
// Making PHX firmware files for tests and demos: records in, enciphered file text out,
// with any of the faults a damaged file can have. Also turns an Intel HEX image into
// the 16-byte records such a file carries.

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace vantrel::sim {

struct PhxRecord {
    std::uint16_t byteAddress;
    std::array<std::uint8_t, 16> data;
};

struct PhxFaults {
    int badChecksumAt = 0;     // 1-based data line whose checksum is wrong (0: none)
    int missingColonAt = 0;    // 1-based data line without its ':'
    int belowZeroAt = 0;       // 1-based data line holding a character that deciphers below zero
    bool noEndRecord = false;  // data lines end without the end record
};

// Byte address of the record that ends a file's data (word address 1F30 hex).
inline constexpr std::uint16_t kEndRecordByteAddress = 0x3E60;

// Target line, version line, one enciphered data line per record, then the end record
// (byte address 3E60, word address 1F30) unless noEndRecord. Text with "\r\n" line ends.
// A fault line number beyond the data lines (the end record counts as the last one)
// throws std::invalid_argument.
std::string WritePhx(const std::string& target, const std::string& version,
                     const std::vector<PhxRecord>& records, const PhxFaults& faults = {});

// Plain data line text (before enciphering) of one record: ":10AAAA00" + 32 data digits
// + checksum, upper-case hex.
std::string RecordLine(const PhxRecord& r);

// Enciphers lines with the running key, starting at key position 1; each enciphered
// line is followed by "\r\n". A character whose code plus its key character's code
// exceeds 255 throws std::invalid_argument.
std::string EncipherLines(const std::vector<std::string>& plainLines);

// Enciphers one line from key position keyPos (1..60) and advances keyPos past it.
std::string EncipherLine(const std::string& plainLine, int& keyPos);

// Thrown for malformed Intel HEX input; line() is the 1-based line number (0 when the
// fault belongs to the text as a whole, such as a missing end-of-file record).
class IntelHexError : public std::runtime_error {
public:
    IntelHexError(std::size_t line, const std::string& what);
    std::size_t line() const { return line_; }

private:
    std::size_t line_;
};

// Intel HEX text (types 00, 01, 02, 04; start-address types 03 and 05 are accepted and
// ignored) to 16-byte records at 16-byte aligned byte addresses, ascending, gaps inside
// a record filled with 0xFF. Every checksum is verified; data overlapping earlier data,
// data at or beyond byte address 3E60 (where the end record lives) and a missing
// end-of-file record are rejected with IntelHexError.
std::vector<PhxRecord> RecordsFromIntelHex(const std::string& hexText);

}  // namespace vantrel::sim
