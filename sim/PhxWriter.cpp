#include "sim/PhxWriter.h"

#include <string_view>

namespace vantrel::sim {

namespace {

// The pass phrase whose character codes are added to the plain text, one per character,
// running on from one data line into the next.
constexpr std::string_view kPassPhrase = "GREY HERON WAITS BY THE COLD LAKES FOR A SILVER FISH TO RISE";
static_assert(kPassPhrase.size() == 60);

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHexByte(std::string& out, std::uint8_t value) {
    out += kHexDigits[value >> 4];
    out += kHexDigits[value & 0x0F];
}

void CheckFaultLine(int at, int lineCount, const char* name) {
    if (at < 0 || at > lineCount) {
        throw std::invalid_argument(std::string(name) + ": there is no data line " + std::to_string(at) +
                                    ", the file has " + std::to_string(lineCount) + " (end record included)");
    }
}

// Adds one to the checksum field (the last two digits of a plain record line).
void SpoilChecksum(std::string& line) {
    const std::uint8_t checksum = static_cast<std::uint8_t>(std::stoi(line.substr(line.size() - 2), nullptr, 16));
    line.resize(line.size() - 2);
    AppendHexByte(line, static_cast<std::uint8_t>(checksum + 1));
}

}  // namespace

std::string RecordLine(const PhxRecord& r) {
    std::string line = ":10";
    const std::uint8_t high = static_cast<std::uint8_t>(r.byteAddress >> 8);
    const std::uint8_t low = static_cast<std::uint8_t>(r.byteAddress & 0xFF);
    AppendHexByte(line, high);
    AppendHexByte(line, low);
    line += "00";
    unsigned sum = 0x10u + high + low;  // count, address, type 00
    for (std::uint8_t b : r.data) {
        AppendHexByte(line, b);
        sum += b;
    }
    AppendHexByte(line, static_cast<std::uint8_t>(-sum & 0xFF));
    return line;
}

std::string EncipherLine(const std::string& plainLine, int& keyPos) {
    std::string out;
    out.reserve(plainLine.size());
    for (char ch : plainLine) {
        const int code = static_cast<unsigned char>(ch) + static_cast<unsigned char>(kPassPhrase[keyPos - 1]);
        if (code > 255) {
            throw std::invalid_argument("character code " + std::to_string(static_cast<unsigned char>(ch)) +
                                        " cannot be enciphered into one byte");
        }
        out += static_cast<char>(code);
        keyPos = keyPos == static_cast<int>(kPassPhrase.size()) ? 1 : keyPos + 1;
    }
    return out;
}

std::string EncipherLines(const std::vector<std::string>& plainLines) {
    std::string text;
    int keyPos = 1;
    for (const auto& line : plainLines) {
        text += EncipherLine(line, keyPos);
        text += "\r\n";
    }
    return text;
}

std::string WritePhx(const std::string& target, const std::string& version,
                     const std::vector<PhxRecord>& records, const PhxFaults& faults) {
    std::vector<std::string> lines;
    lines.reserve(records.size() + 1);
    for (const auto& r : records) lines.push_back(RecordLine(r));
    if (!faults.noEndRecord) {
        // Its data bytes are never stored; only the address and a right checksum count.
        lines.push_back(RecordLine({kEndRecordByteAddress, {}}));
    }
    const int lineCount = static_cast<int>(lines.size());
    CheckFaultLine(faults.badChecksumAt, lineCount, "badChecksumAt");
    CheckFaultLine(faults.missingColonAt, lineCount, "missingColonAt");
    CheckFaultLine(faults.belowZeroAt, lineCount, "belowZeroAt");

    if (faults.badChecksumAt > 0) SpoilChecksum(lines[faults.badChecksumAt - 1]);
    if (faults.missingColonAt > 0) lines[faults.missingColonAt - 1].erase(0, 1);

    std::string text = target + "\r\n" + version + "\r\n";
    int keyPos = 1;
    for (int i = 0; i < lineCount; ++i) {
        const int lineKeyPos = keyPos;
        std::string enciphered = EncipherLine(lines[i], keyPos);
        if (i + 1 == faults.belowZeroAt && !enciphered.empty()) {
            // One below its key character's code; never a line terminator, as every key
            // character code is 32 or more.
            enciphered[0] = static_cast<char>(kPassPhrase[lineKeyPos - 1] - 1);
        }
        text += enciphered;
        text += "\r\n";
    }
    return text;
}

}  // namespace vantrel::sim
