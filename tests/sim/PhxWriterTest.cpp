// The PHX writer, checked by deciphering its output with a routine of the test's own.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "sim/PhxWriter.h"

namespace {

using vantrel::sim::PhxFaults;
using vantrel::sim::PhxRecord;

const std::string kPhrase = "GREY HERON WAITS BY THE COLD LAKES FOR A SILVER FISH TO RISE";

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    EXPECT_EQ(start, text.size()) << "text does not end in CR LF";
    return lines;
}

// Deciphers the data lines (from the third line on) with one running key; a line with a
// character below its key character comes back empty and ends the deciphering.
std::vector<std::optional<std::string>> Decipher(const std::string& phx) {
    const auto lines = SplitCrLf(phx);
    std::vector<std::optional<std::string>> plain;
    std::size_t key = 0;
    for (std::size_t i = 2; i < lines.size(); ++i) {
        std::string out;
        for (unsigned char c : lines[i]) {
            const int d = c - static_cast<unsigned char>(kPhrase[key]);
            key = (key + 1) % kPhrase.size();
            if (d < 0) {
                plain.push_back(std::nullopt);
                return plain;
            }
            out += static_cast<char>(d);
        }
        plain.push_back(out);
    }
    return plain;
}

unsigned Field(const std::string& line, std::size_t pos, std::size_t digits) {
    return static_cast<unsigned>(std::stoul(line.substr(pos, digits), nullptr, 16));
}

bool ChecksumRight(const std::string& line) {
    unsigned sum = 0;
    for (std::size_t pos = 1; pos < 41; pos += 2) sum += Field(line, pos, 2);
    return (256 - sum % 256) % 256 == Field(line, 41, 2);
}

PhxRecord ParseRecord(const std::string& line) {
    PhxRecord r{static_cast<std::uint16_t>(Field(line, 3, 4)), {}};
    for (int k = 0; k < 16; ++k) r.data[k] = static_cast<std::uint8_t>(Field(line, 9 + 2 * k, 2));
    return r;
}

// Every record and byte different, so a shifted record or byte shows.
std::vector<PhxRecord> Records(int count) {
    std::vector<PhxRecord> records;
    for (int i = 0; i < count; ++i) {
        PhxRecord r{static_cast<std::uint16_t>(0x0100 + 16 * i), {}};
        for (int k = 0; k < 16; ++k) r.data[k] = static_cast<std::uint8_t>(i * 23 + k * 7 + (i >> 3));
        records.push_back(r);
    }
    return records;
}

TEST(PhxWriter, RecordLineIsAnIntelHexDataRecordOf16Bytes) {
    PhxRecord r{0x1230, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}};
    EXPECT_EQ(vantrel::sim::RecordLine(r), ":10123000000102030405060708090A0B0C0D0E0F36");
    EXPECT_EQ(vantrel::sim::RecordLine({0x3E60, {}}), ":103E60000000000000000000000000000000000052");
}

TEST(PhxWriter, EncipheringAddsTheKeyAndRunsOnAcrossLines) {
    // ':' + 'G', '1' + 'R', then the next line starts at key 'E'.
    EXPECT_EQ(vantrel::sim::EncipherLines({":1", "0"}), std::string("\x81\x83\r\n\x75\r\n"));
    int keyPos = 60;  // last phrase character 'E', then back to 'G'
    EXPECT_EQ(vantrel::sim::EncipherLine("00", keyPos), std::string("\x75\x77"));
    EXPECT_EQ(keyPos, 2);
    EXPECT_THROW(vantrel::sim::EncipherLines({"\xC0"}), std::invalid_argument);  // 192 + 71 > 255
}

TEST(PhxWriter, DecipheredFileGivesBackHeadersRecordsAndEndRecord) {
    const auto records = Records(75);  // 75 lines of 43 characters: the key wraps many times
    const std::string phx = vantrel::sim::WritePhx("Tav model 05#", "2.5", records);
    const auto lines = SplitCrLf(phx);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Tav model 05#");
    EXPECT_EQ(lines[1], "2.5");

    const auto plain = Decipher(phx);
    ASSERT_EQ(plain.size(), records.size() + 1);
    for (std::size_t i = 0; i < records.size(); ++i) {
        ASSERT_TRUE(plain[i]) << "line " << i + 1;
        ASSERT_EQ(plain[i]->size(), 43u);
        EXPECT_EQ((*plain[i])[0], ':');
        EXPECT_TRUE(ChecksumRight(*plain[i])) << *plain[i];
        const PhxRecord got = ParseRecord(*plain[i]);
        EXPECT_EQ(got.byteAddress, records[i].byteAddress);
        EXPECT_EQ(got.data, records[i].data) << "line " << i + 1;
    }
    ASSERT_TRUE(plain.back());
    EXPECT_EQ(Field(*plain.back(), 3, 4), 0x3E60u);
    EXPECT_TRUE(ChecksumRight(*plain.back()));
}

TEST(PhxWriter, EachFaultBreaksOnlyItsLine) {
    const auto records = Records(6);
    {
        const auto plain = Decipher(vantrel::sim::WritePhx("T", "1.0", records, PhxFaults{.badChecksumAt = 3}));
        ASSERT_EQ(plain.size(), 7u);
        for (std::size_t i = 0; i < plain.size(); ++i) EXPECT_EQ(ChecksumRight(*plain[i]), i != 2) << i;
    }
    {
        const auto plain = Decipher(vantrel::sim::WritePhx("T", "1.0", records, PhxFaults{.missingColonAt = 2}));
        ASSERT_EQ(plain.size(), 7u);
        EXPECT_EQ((*plain[0])[0], ':');
        EXPECT_EQ(*plain[1], vantrel::sim::RecordLine(records[1]).substr(1));
    }
    {
        const auto plain = Decipher(vantrel::sim::WritePhx("T", "1.0", records, PhxFaults{.belowZeroAt = 4}));
        ASSERT_EQ(plain.size(), 4u);
        EXPECT_TRUE(plain[2]);
        EXPECT_FALSE(plain[3]);
    }
    {
        const auto plain = Decipher(vantrel::sim::WritePhx("T", "1.0", records, PhxFaults{.noEndRecord = true}));
        ASSERT_EQ(plain.size(), 6u);
        EXPECT_EQ(ParseRecord(*plain.back()).byteAddress, records.back().byteAddress);
    }
    // Line 7 is the end record; there is no line 8.
    EXPECT_NO_THROW(vantrel::sim::WritePhx("T", "1.0", records, PhxFaults{.badChecksumAt = 7}));
    EXPECT_THROW(vantrel::sim::WritePhx("T", "1.0", records, PhxFaults{.belowZeroAt = 8}), std::invalid_argument);
}

TEST(PhxWriter, WritesMoreRecordsThanTheProgramTakes) {
    std::vector<PhxRecord> records;
    for (int i = 0; i < 1030; ++i) records.push_back({static_cast<std::uint16_t>(i * 16 % 0x3E00), {static_cast<std::uint8_t>(i)}});
    const auto plain = Decipher(vantrel::sim::WritePhx("T", "1.0", records));
    ASSERT_EQ(plain.size(), 1031u);
    EXPECT_EQ(ParseRecord(*plain[1029]).data[0], 1029 % 256);
    EXPECT_EQ(Field(*plain[1030], 3, 4), 0x3E60u);
}

}  // namespace
