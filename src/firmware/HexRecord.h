#pragma once
// The record text of a deciphered data line: ":", count, address, record type, 16 data
// bytes and a checksum, every field in hexadecimal digits, high digit first.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vantrel {

// Characters of a full record; anything after them is ignored.
inline constexpr std::size_t kRecordTextLength = 43;

// Value of the field of `width` characters starting at 1-based `position`: the value of
// its leading hexadecimal digits (either case). Reading stops at the first other character
// or at the end of the text, so a field with no leading digit, or beyond the text, is 0.
unsigned HexFieldValue(std::string_view text, std::size_t position, std::size_t width);

// The record's byte address halved, halves rounded to the even neighbour.
std::int16_t WordAddressOf(std::int16_t byteAddress);

enum class RecordCheck { Ok, MissingColon, ChecksumError };

struct DataRecord {
    RecordCheck check = RecordCheck::Ok;
    std::int16_t wordAddress = 0;
    std::array<std::uint8_t, 16> data{};
};

// Checks and converts one record text. The count and record type enter the checksum
// only; the address field is a signed 16-bit number (8000..FFFF are negative).
DataRecord ParseRecord(std::string_view text);

}  // namespace vantrel
