// Intel HEX to the 16-byte records of a PHX file.

#include <cstdio>
#include <optional>
#include <string_view>

#include "sim/PhxWriter.h"

namespace vantrel::sim {

namespace {

std::string LinePrefix(std::size_t line) { return line == 0 ? std::string() : "line " + std::to_string(line) + ": "; }

std::string Hex(unsigned value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*X", digits, value);
    return buffer;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The bytes of one record line after its ':', checked for syntax and checksum.
std::vector<std::uint8_t> DecodeRecordBytes(std::string_view text, std::size_t lineNo) {
    if (text.empty() || text[0] != ':') throw IntelHexError(lineNo, "does not start with ':'");
    const std::string_view digits = text.substr(1);
    if (digits.size() % 2 != 0) throw IntelHexError(lineNo, "odd number of hex digits");
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = HexDigit(digits[i]);
        const int low = HexDigit(digits[i + 1]);
        if (high < 0 || low < 0) throw IntelHexError(lineNo, "character that is not a hex digit");
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    if (bytes.size() < 5) throw IntelHexError(lineNo, "record too short");
    if (bytes.size() != 5u + bytes[0]) {
        throw IntelHexError(lineNo, "byte count " + std::to_string(bytes[0]) + " does not match the record's " +
                                        std::to_string(bytes.size() - 5) + " data bytes");
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) sum += bytes[i];
    const std::uint8_t expected = static_cast<std::uint8_t>(-sum & 0xFF);
    if (bytes.back() != expected) {
        throw IntelHexError(lineNo, "checksum " + Hex(bytes.back(), 2) + ", expected " + Hex(expected, 2));
    }
    return bytes;
}

}  // namespace

IntelHexError::IntelHexError(std::size_t line, const std::string& what)
    : std::runtime_error(LinePrefix(line) + what), line_(line) {}

std::vector<PhxRecord> RecordsFromIntelHex(const std::string& hexText) {
    // One slot per byte address below the end record's; empty slots become 0xFF.
    std::vector<std::optional<std::uint8_t>> image(kEndRecordByteAddress);
    std::uint32_t base = 0;
    bool segmentMode = false;  // type 02: the offset wraps within its 64 KiB segment
    bool sawEnd = false;

    std::size_t lineNo = 0;
    std::size_t start = 0;
    while (start < hexText.size() && !sawEnd) {
        std::size_t end = hexText.find('\n', start);
        if (end == std::string::npos) end = hexText.size();
        std::string_view line(hexText.data() + start, end - start);
        start = end + 1;
        ++lineNo;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line.remove_suffix(1);
        }
        if (line.empty()) continue;

        const auto bytes = DecodeRecordBytes(line, lineNo);
        const std::uint8_t count = bytes[0];
        const std::uint16_t offset = static_cast<std::uint16_t>(bytes[1] << 8 | bytes[2]);
        const std::uint8_t type = bytes[3];
        auto expectCount = [&](std::uint8_t wanted) {
            if (count != wanted) {
                throw IntelHexError(lineNo, "record type " + Hex(type, 2) + " must carry " +
                                                std::to_string(wanted) + " bytes");
            }
        };
        switch (type) {
        case 0x00:
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint32_t address =
                    segmentMode ? base + ((offset + i) & 0xFFFFu) : base + offset + i;
                if (address >= kEndRecordByteAddress) {
                    throw IntelHexError(lineNo, "data at byte address " + Hex(address, 4) +
                                                    ": the image must end below 3E60, the end record's address");
                }
                if (image[address]) {
                    throw IntelHexError(lineNo, "data at byte address " + Hex(address, 4) + " overlaps earlier data");
                }
                image[address] = bytes[4 + i];
            }
            break;
        case 0x01:
            expectCount(0);
            sawEnd = true;
            break;
        case 0x02:
            expectCount(2);
            base = static_cast<std::uint32_t>(bytes[4] << 8 | bytes[5]) << 4;
            segmentMode = true;
            break;
        case 0x04:
            expectCount(2);
            base = static_cast<std::uint32_t>(bytes[4] << 8 | bytes[5]) << 16;
            segmentMode = false;
            break;
        case 0x03:
        case 0x05:
            // Start address: it says where execution begins, not what the image holds.
            expectCount(4);
            break;
        default:
            throw IntelHexError(lineNo, "unknown record type " + Hex(type, 2));
        }
    }
    if (!sawEnd) throw IntelHexError(0, "no end-of-file record (type 01): the text looks cut short");

    std::vector<PhxRecord> records;
    for (std::size_t blockStart = 0; blockStart < image.size(); blockStart += 16) {
        PhxRecord record{static_cast<std::uint16_t>(blockStart), {}};
        bool used = false;
        for (std::size_t i = 0; i < 16; ++i) {
            const auto& slot = image[blockStart + i];
            used = used || slot.has_value();
            record.data[i] = slot.value_or(0xFF);
        }
        if (used) records.push_back(record);
    }
    return records;
}

}  // namespace vantrel::sim
