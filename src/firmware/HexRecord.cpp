#include "firmware/HexRecord.h"

#include <charconv>

namespace vantrel {
namespace {

std::uint8_t ByteAt(std::string_view text, std::size_t position) {
    return static_cast<std::uint8_t>(HexFieldValue(text, position, 2));
}

}  // namespace

unsigned HexFieldValue(std::string_view text, std::size_t position, std::size_t width) {
    if (position - 1 >= text.size()) return 0;
    const std::string_view field = text.substr(position - 1, width);
    // The leading hex digits count; none at all reads as 0.
    unsigned value = 0;
    if (std::from_chars(field.data(), field.data() + field.size(), value, 16).ec != std::errc()) return 0;
    return value;
}

std::int16_t WordAddressOf(std::int16_t byteAddress) {
    // Arithmetic shift floors; an odd address lies halfway, and goes to the even one of
    // floor and floor + 1.
    int half = byteAddress >> 1;
    if ((byteAddress & 1) != 0 && (half & 1) != 0) ++half;
    return static_cast<std::int16_t>(half);
}

DataRecord ParseRecord(std::string_view text) {
    DataRecord record;
    if (text.empty() || text[0] != ':') {
        record.check = RecordCheck::MissingColon;
        return record;
    }

    // Count, address high and low, record type, then the 16 data bytes: positions 2..41.
    unsigned sum = 0;
    for (std::size_t position = 2; position <= 40; position += 2) sum += ByteAt(text, position);
    const unsigned expected = (256 - sum % 256) % 256;
    if (HexFieldValue(text, 42, 2) != expected) {
        record.check = RecordCheck::ChecksumError;
        return record;
    }

    const auto address = static_cast<std::uint16_t>(HexFieldValue(text, 4, 4));
    record.wordAddress = WordAddressOf(static_cast<std::int16_t>(address));
    for (std::size_t k = 0; k < 16; ++k) record.data[k] = ByteAt(text, 10 + 2 * k);
    return record;
}

}  // namespace vantrel
