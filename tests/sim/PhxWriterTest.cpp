// The PHX writer, checked by deciphering its output with a routine of the test's own,
// and the Intel HEX reader that feeds it records.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "sim/PhxWriter.h"

namespace vantrel::sim {
namespace {

const std::string kPhrase = "GREY HERON WAITS BY THE COLD LAKES FOR A SILVER FISH TO RISE";

// The CR LF lines, those after the two headers deciphered with one running key; a
// character below its key character ends the text with the line "<below zero>".
std::vector<std::string> Decipher(const std::string& phx) {
    std::vector<std::string> lines;
    std::size_t key = 0;
    std::istringstream in(phx);
    for (std::string line; std::getline(in, line);) {
        EXPECT_TRUE(line.ends_with('\r')) << "line " << lines.size() + 1;
        if (line.ends_with('\r')) line.pop_back();
        for (std::size_t i = 0; lines.size() >= 2 && i < line.size(); ++i, ++key) {
            const int d = static_cast<unsigned char>(line[i]) - kPhrase[key % kPhrase.size()];
            if (d < 0) return lines.push_back("<below zero>"), lines;
            line[i] = static_cast<char>(d);
        }
        lines.push_back(line);
    }
    return lines;
}

TEST(PhxWriter, DecipheredFileGivesBackHeadersRecordsAndEndRecord) {
    std::vector<PhxRecord> records;  // every record and byte different, so a shift shows
    std::vector<std::string> expected{"Tav model 05#", "2.5"};
    for (int i = 0; i < 75; ++i) {  // 75 lines of 43 characters: the key wraps many times
        PhxRecord r{static_cast<std::uint16_t>(0x0100 + 16 * i), {}};
        for (int k = 0; k < 16; ++k) r.data[k] = static_cast<std::uint8_t>(i * 23 + k * 7 + (i >> 3));
        records.push_back(r);
        expected.push_back(RecordLine(r));
    }
    expected.push_back(":103E60000000000000000000000000000000000052");
    const auto phx = [&](const PhxFaults& f) { return Decipher(WritePhx("Tav model 05#", "2.5", records, f)); };
    EXPECT_EQ(phx({}), expected);

    // Each fault breaks its own line only.
    auto broken = phx({.badChecksumAt = 3});
    EXPECT_EQ(broken.at(4).substr(0, 41), expected[4].substr(0, 41));
    EXPECT_NE(broken.at(4), expected[4]);
    broken.at(4) = expected[4];
    EXPECT_EQ(broken, expected);
    EXPECT_EQ(phx({.missingColonAt = 2}).at(3), expected[3].substr(1));
    expected.pop_back();
    EXPECT_EQ(phx({.noEndRecord = true}), expected);
    expected.resize(5);
    expected.push_back("<below zero>");
    EXPECT_EQ(phx({.belowZeroAt = 4}), expected);
}

TEST(IntelHex, CutsDataIntoAlignedRecordsFillsGapsAndRejectsBrokenLines) {
    // Segment 0100 puts offset 0005 at byte address 1005; six bytes run from 1005 to 100A.
    // Then linear base 0: four bytes at 0FFE..1001 cross into the record at 1000.
    // A start-address record (type 05) says nothing about the image and is skipped.
    const auto records = RecordsFromIntelHex(
        ":020000020100FB\r\n:06000500A1B2C3D4E5F630\r\n\n:020000040000FA\r\n"
        ":0400000500000100F6\r\n:040FFE001122334445\r\n:00000001FF\r\n");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(RecordLine(records[0]), ":100FF000FFFFFFFFFFFFFFFFFFFFFFFFFFFF1122CC");
    EXPECT_EQ(RecordLine(records[1]), ":101000003344FFFFFFA1B2C3D4E5F6FFFFFFFFFFAC");

    const std::pair<const char*, std::size_t> broken[] = {
        {":0400000001020304F2\n:02001000AABB88\n:00000001FF\n", 2},  // checksum should be 89
        {":0400000001020304F2\n:02000200AABB97\n:00000001FF\n", 2},  // overlap
        {":033E5E00A1B2C34B\n:00000001FF\n", 1},                     // reaches 3E60, the end record's
        {":020000040001F9\n:0100000055AA\n:00000001FF\n", 2},       // 10000 via linear base
        {":0400000001020304F2\n", 0},                                // no end-of-file record
    };
    for (const auto& [hex, line] : broken) {
        try {
            RecordsFromIntelHex(hex);
            ADD_FAILURE() << "no error for:\n" << hex;
        } catch (const IntelHexError& e) {
            EXPECT_EQ(e.line(), line) << hex;
        }
    }
}

}  // namespace
}  // namespace vantrel::sim
