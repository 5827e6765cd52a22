// Reading the number at the start of a text.

#include <gtest/gtest.h>

#include "app/LeadingNumber.h"

namespace vantrel {
namespace {

TEST(LeadingNumber, ReadsSignDigitsPointAndExponent) {
    EXPECT_EQ(LeadingNumber("2.5"), 2.5);
    EXPECT_EQ(LeadingNumber("2.5.1"), 2.5);
    EXPECT_EQ(LeadingNumber("  \t7x"), 7);
    EXPECT_EQ(LeadingNumber("+4"), 4);
    EXPECT_EQ(LeadingNumber("-0.25"), -0.25);
    EXPECT_EQ(LeadingNumber(".5"), 0.5);
    EXPECT_EQ(LeadingNumber("3."), 3);
    EXPECT_EQ(LeadingNumber("1E3"), 1000);
    EXPECT_EQ(LeadingNumber("25e-1x"), 2.5);
    EXPECT_EQ(LeadingNumber("2e"), 2);    // no exponent digits: the letter ends the number
    EXPECT_EQ(LeadingNumber("2e+"), 2);
    EXPECT_EQ(LeadingNumber("007"), 7);
}

TEST(LeadingNumber, NoNumberReadsZero) {
    for (const char* text : {"", " ", "v2.5", ".", "-", "+.", "e5", "&H10", "0x1F"}) {
        EXPECT_EQ(LeadingNumber(text), 0) << text;
    }
    EXPECT_EQ(LeadingNumber("1e999"), 0);  // beyond any number held
}

}  // namespace
}  // namespace vantrel
