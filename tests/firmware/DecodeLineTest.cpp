// Deciphering with the running key of the pass phrase.

#include <gtest/gtest.h>

#include <string>

#include "firmware/DecodeLine.h"

namespace vantrel {
namespace {

const std::string kPhrase = "GREY HERON WAITS BY THE COLD LAKES FOR A SILVER FISH TO RISE";

// Adds the key stream to plain text, from key position `from`.
std::string Encipher(const std::string& plain, int from) {
    std::string out;
    for (std::size_t i = 0; i < plain.size(); ++i)
        out.push_back(static_cast<char>(plain[i] + kPhrase[(from - 1 + i) % 60]));
    return out;
}

TEST(DecodeLine, EmptyLineLeavesTheKeyWhereItWas) {
    std::int16_t keyPos = 17;
    EXPECT_EQ(DecodeLine("", keyPos), std::string());
    EXPECT_EQ(keyPos, 17);
}

TEST(DecodeLine, KeyWrapsFromSixtyToOne) {
    std::int16_t keyPos = 60;  // "E", the phrase's last character, code 69
    EXPECT_EQ(DecodeLine(std::string(1, static_cast<char>(69 + '7')), keyPos), "7");
    EXPECT_EQ(keyPos, 1);

    // 61 characters from position 1 use position 1 ("G", 71) first and last.
    const std::string plain = ":1000A0000102030405060708090A0B0C0D0E0F10E7zyxwvutsrqponmlkji";
    ASSERT_EQ(plain.size(), 61u);
    const std::string line = Encipher(plain, 1);
    EXPECT_EQ(static_cast<std::uint8_t>(line.front()), ':' + 71);
    EXPECT_EQ(static_cast<std::uint8_t>(line.back()), 'i' + 71);
    keyPos = 1;
    EXPECT_EQ(DecodeLine(line, keyPos), plain);
    EXPECT_EQ(keyPos, 2);
}

TEST(DecodeLine, KeyStreamRunsOnAcrossCalls) {
    const std::string first = ":10ABCD";
    const std::string second = "4242FF";
    const std::string line1 = Encipher(first, 1);
    const std::string line2 = Encipher(second, 8);  // where the first line left the key

    std::int16_t keyPos = 1;
    EXPECT_EQ(DecodeLine(line1, keyPos), first);
    EXPECT_EQ(keyPos, 8);
    EXPECT_EQ(DecodeLine(line2, keyPos), second);
    EXPECT_EQ(keyPos, 14);

    // Deciphering the same text again starts from where the last call ended.
    std::int16_t again = 1;
    ASSERT_TRUE(DecodeLine(line1, again));
    EXPECT_NE(DecodeLine(line1, again), first);
}

TEST(DecodeLine, PiecesDecipherLikeTheWholeLine) {
    const std::string plain = ":1012340011223344556677889900AABBCCDDEEFF5A and some more";
    const std::string line = Encipher(plain, 23);
    std::int16_t whole = 23, pieces = 23;
    const auto expected = DecodeLine(line, whole);
    std::string joined;
    for (std::size_t at = 0; at < line.size(); at += 7) joined += *DecodeLine(line.substr(at, 7), pieces);
    EXPECT_EQ(joined, expected);
    EXPECT_EQ(pieces, whole);
}

TEST(DecodeLine, CodeEqualToItsKeyGivesCharacterZero) {
    std::int16_t keyPos = 1;
    EXPECT_EQ(DecodeLine("GRE", keyPos), std::string(3, '\0'));
    keyPos = 5;  // the blank after "GREY", code 32
    EXPECT_EQ(DecodeLine(" ", keyPos), std::string(1, '\0'));
}

TEST(DecodeLine, CodeBelowItsKeyFailsWithoutWrappingAround) {
    std::int16_t keyPos = 1;
    EXPECT_FALSE(DecodeLine("F", keyPos).has_value());  // 70 below "G" 71

    // A late character fails the whole line, however good the start.
    keyPos = 1;
    std::string line = Encipher(":1000", 1) + static_cast<char>(31);  // below the blank at 6
    EXPECT_FALSE(DecodeLine(line, keyPos).has_value());

    // The highest codes decipher without overflow.
    keyPos = 5;
    EXPECT_EQ(DecodeLine(std::string(1, '\xFF'), keyPos), std::string(1, static_cast<char>(255 - 32)));
}

}  // namespace
}  // namespace vantrel
