// Intel HEX images cut into the 16-byte records of a PHX file.

#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>

#include "sim/PhxWriter.h"

namespace {

using vantrel::sim::IntelHexError;
using vantrel::sim::RecordsFromIntelHex;

// The line number the error names, or 0 when none was thrown.
std::size_t ErrorLine(const std::string& hex) {
    try {
        RecordsFromIntelHex(hex);
    } catch (const IntelHexError& e) {
        return e.line();
    }
    ADD_FAILURE() << "no error for:\n" << hex;
    return 0;
}

TEST(IntelHex, CutsDataIntoAlignedRecordsAndFillsGaps) {
    // Segment 0100 puts offset 0005 at byte address 1005; six bytes run from 1005 to 100A.
    // Then linear base 0: four bytes at 0FFE..1001 cross into the record at 1000.
    // A start-address record (type 05) says nothing about the image and is skipped.
    const std::string hex =
        ":020000020100FB\r\n"
        ":06000500A1B2C3D4E5F630\r\n"
        "\n"
        ":020000040000FA\r\n"
        ":0400000500000100F6\r\n"
        ":040FFE001122334445\r\n";
    const auto records = RecordsFromIntelHex(hex + ":00000001FF\r\n");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].byteAddress, 0x0FF0);
    EXPECT_EQ(records[0].data, (std::array<std::uint8_t, 16>{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                                                            0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x11, 0x22}));
    EXPECT_EQ(records[1].byteAddress, 0x1000);
    EXPECT_EQ(records[1].data, (std::array<std::uint8_t, 16>{0x33, 0x44, 0xFF, 0xFF, 0xFF, 0xA1, 0xB2, 0xC3, 0xD4,
                                                            0xE5, 0xF6, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(IntelHex, RejectsBrokenInputNamingTheLine) {
    EXPECT_EQ(ErrorLine(":0400000001020304F2\n:02001000AABB88\n:00000001FF\n"), 2u);  // checksum should be 89
    EXPECT_EQ(ErrorLine(":0400000001020304F2\n0400100001020304E2\n:00000001FF\n"), 2u);  // no colon
    EXPECT_EQ(ErrorLine(":0500000001020304F2\n"), 1u);                                     // count vs length
    EXPECT_EQ(ErrorLine(":0400000001020304F2\n:02000200AABB97\n:00000001FF\n"), 2u);     // overlap
    EXPECT_EQ(ErrorLine(":0400000001020304F2\n:00000006FA\n:00000001FF\n"), 2u);         // unknown type
    EXPECT_EQ(ErrorLine(":0400000001020304F2\n"), 0u);                                     // no end-of-file record
}

TEST(IntelHex, ImageMustEndBelowTheEndRecordAddress) {
    // Two bytes at 3E5E..3E5F fit; one more at 3E60 is where the end record lives.
    EXPECT_EQ(RecordsFromIntelHex(":023E5E00A1B20F\n:00000001FF\n").back().byteAddress, 0x3E50);
    EXPECT_EQ(ErrorLine(":033E5E00A1B2C34B\n:00000001FF\n"), 1u);
    EXPECT_EQ(ErrorLine(":020000040001F9\n:0100000055AA\n:00000001FF\n"), 2u);  // 10000 via linear base
}

TEST(IntelHex, SampleImageHasDistinctRecordsBelowTheEndRecord) {
    std::ifstream in(VANTREL_SAMPLE_HEX, std::ios::binary);
    ASSERT_TRUE(in) << VANTREL_SAMPLE_HEX;
    std::ostringstream text;
    text << in.rdbuf();
    const auto records = RecordsFromIntelHex(text.str());
    EXPECT_GE(records.size(), 300u);
    std::set<std::array<std::uint8_t, 16>> distinct;
    for (const auto& r : records) distinct.insert(r.data);
    EXPECT_EQ(distinct.size(), records.size());
    EXPECT_EQ(records.front().byteAddress, 0x0000);
    EXPECT_EQ(records.back().byteAddress, 0x3E50);
}

}  // namespace
