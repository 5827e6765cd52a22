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

TEST(DecodeLine, KeyRunsOnAcrossLinesAndWrapsFromSixtyToOne) {
    std::int16_t keyPos = 60;  // "E", the phrase's last character, code 69
    EXPECT_EQ(DecodeLine(std::string(1, static_cast<char>(69 + '7')), keyPos), "7");
    EXPECT_EQ(keyPos, 1);

    // 61 characters from position 1 use position 1 ("G", 71) first and last.
    const std::string plain = ":1000A0000102030405060708090A0B0C0D0E0F10E7zyxwvutsrqponmlkji";
    const std::string line = Encipher(plain, 1);
    EXPECT_EQ(static_cast<std::uint8_t>(line.back()), 'i' + 71);
    EXPECT_EQ(DecodeLine(line, keyPos), plain);
    EXPECT_EQ(keyPos, 2);
    // The next line goes on from there; an empty one leaves the key where it was.
    EXPECT_EQ(DecodeLine(Encipher("4242FF", 2), keyPos), "4242FF");
    EXPECT_EQ(DecodeLine("", keyPos), "");
    EXPECT_EQ(keyPos, 8);
}

TEST(DecodeLine, CodeEqualToItsKeyGivesZeroAndBelowItFails) {
    std::int16_t keyPos = 1;
    EXPECT_EQ(DecodeLine("GRE", keyPos), std::string(3, '\0'));
    EXPECT_EQ(DecodeLine(" ", keyPos = 5), std::string(1, '\0'));  // the blank after "GREY", code 32
    EXPECT_EQ(DecodeLine(std::string(1, '\xFF'), keyPos = 5), std::string(1, static_cast<char>(255 - 32)));

    // No wrapping around below zero; a late character fails the whole line.
    EXPECT_FALSE(DecodeLine("F", keyPos = 1));  // 70 below "G" 71
    EXPECT_FALSE(DecodeLine(Encipher(":1000", 1) + static_cast<char>(31), keyPos = 1));  // below the blank at 6
}

}  // namespace
}  // namespace vantrel
