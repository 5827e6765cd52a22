// Record text: field conversion, checksum, word address.

#include <gtest/gtest.h>

#include <string>

#include "firmware/HexRecord.h"

namespace vantrel {
namespace {

TEST(HexFieldValue, ReadsLeadingHexDigitsOnly) {
    const std::string text = ":3e5F0aG7zz";
    EXPECT_EQ(HexFieldValue(text, 2, 2), 0x3Eu);
    EXPECT_EQ(HexFieldValue(text, 2, 4), 0x3E5Fu);
    EXPECT_EQ(HexFieldValue(text, 6, 4), 0x0Au);   // stops at "G"
    EXPECT_EQ(HexFieldValue(text, 8, 2), 0u);      // "G7": no leading digit
    EXPECT_EQ(HexFieldValue(text, 11, 2), 0u);     // half beyond the text, half a letter
    EXPECT_EQ(HexFieldValue(text, 12, 2), 0u);     // wholly beyond the text
    EXPECT_EQ(HexFieldValue(":ab", 2, 4), 0xABu);  // cut short by the end of the text
}

TEST(WordAddressOf, HalvesWithTiesToEven) {
    EXPECT_EQ(WordAddressOf(0x3E60), 0x1F30);
    EXPECT_EQ(WordAddressOf(0x3E5F), 0x1F30);  // 7983.5 -> 7984
    EXPECT_EQ(WordAddressOf(0x3E61), 0x1F30);  // 7984.5 -> 7984
    EXPECT_EQ(WordAddressOf(0x3E5E), 0x1F2F);
    EXPECT_EQ(WordAddressOf(0x3E62), 0x1F31);
    EXPECT_EQ(WordAddressOf(1), 0);
    EXPECT_EQ(WordAddressOf(3), 2);
    EXPECT_EQ(WordAddressOf(5), 2);
    EXPECT_EQ(WordAddressOf(32767), 16384);
    // Addresses 8000..FFFF are negative.
    EXPECT_EQ(WordAddressOf(-32768), -16384);
    EXPECT_EQ(WordAddressOf(-1), 0);
    EXPECT_EQ(WordAddressOf(-3), -2);
    EXPECT_EQ(WordAddressOf(-5), -2);
    EXPECT_EQ(WordAddressOf(-7), -4);
}

TEST(ParseRecord, GoodRecordGivesAddressAndData) {
    // Lower-case digits too; the sum's low byte is 0 here.
    const DataRecord r = ParseRecord(":10ABCD00000102030405060708090a0b0c0d0e0f00 trailing text");
    ASSERT_EQ(r.check, RecordCheck::Ok);
    EXPECT_EQ(r.wordAddress, -10778);  // ABCD = -21555, halved 10777.5 -> even -10778
    for (int k = 0; k < 16; ++k) EXPECT_EQ(r.data[k], k);
}

TEST(ParseRecord, StartCharacterAndChecksum) {
    EXPECT_EQ(ParseRecord("").check, RecordCheck::MissingColon);
    EXPECT_EQ(ParseRecord(";10000000").check, RecordCheck::MissingColon);
    EXPECT_EQ(ParseRecord(" :10000000").check, RecordCheck::MissingColon);

    const std::string good = ":10012000112233445566778899AABBCCDDEEFF01D6";
    EXPECT_EQ(ParseRecord(good).check, RecordCheck::Ok);
    std::string off = good;
    off[42] = '7';
    EXPECT_EQ(ParseRecord(off).check, RecordCheck::ChecksumError);

    // Count and type enter the sum although they are never interpreted.
    EXPECT_EQ(ParseRecord(":FF012000" + good.substr(9, 32) + "E7").check, RecordCheck::Ok);
    EXPECT_EQ(ParseRecord(":1001207F" + good.substr(9, 32) + "57").check, RecordCheck::Ok);

    // A sum whose low byte is 0 expects 00, not 100.
    EXPECT_EQ(ParseRecord(":1000F000" + std::string(32, '0') + "00").check, RecordCheck::Ok);
}

}  // namespace
}  // namespace vantrel
