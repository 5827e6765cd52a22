// The built-in table, restated row by row.

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "registry/RegisterTav.h"
#include "registry/RegFileStore.h"

namespace vantrel {
namespace {

const std::vector<TypeRow> kExpected = {
    {0, 0x11, "Tav model 00 ", "Tav model 00"},   {1, 0x22, "Tav model 01 ", "Tav model 01"},
    {2, 0x33, "Tav model 02 ", "Tav model 02"},   {3, 0x44, "Tav model 03 ", "Tav model 03"},
    {4, 0x55, "Tav model 04 ", "Tav model 04 "},  {5, 0x66, "Tav model 05 ", "Tav model 05"},
    {6, 0x77, "Tav model 06 ", "Tav model 06 "},  {7, 0x88, "Tav model 07 ", "Tav model 07 "},
    {8, 0x99, "Tav model 08 ", "Tav model 08"},   {9, 0xAA, "Tav model 09 ", "Tav model 09 "},
    {10, 0xBB, "Tav model 10", "Tav model 10 "},  {12, 0xCC, "Tav model 12 ", "Tav model 12 "},
    {13, 0xDD, "Tav model 13 ", "Tav model 13 "}, {14, 0xEE, "Tav model 14 ", "Tav model 14 "},
    {15, 0x1E, "Tav model 15", "Tav model 15 "},  {16, 0x1D, "Tav model 16 ", "Tav model 16 "},
    {17, 0x1C, "Tav model 17 ", "Tav model 17 "}, {18, 0x20, "Tav model 18 ", "Tav model 18 "},
    {19, 0x21, "Tav model 19 ", "Tav model 19 "}, {20, 0x23, "Tav model 20 ", "Tav model 20 "},
    {21, 0x24, "Tav model 21 ", "Tav model 21 "}, {22, 0x25, "Tav model 22 ", "Tav model 22 "},
    {23, 0x15, "Tav model 23 ", "Tav model 23 "}, {24, 0x16, "Tav model 24 ", "Tav model 24 "},
    {25, 0x17, "Tav model 25 ", "Tav model 25 "}, {26, 0x18, "Tav model 26 ", "Tav model 26 "},
    {27, 0x19, "Tav model 27 ", "Tav model 27 "}, {28, 0x26, "Tav model 28 ", "Tav model 28 "},
    {29, 0x27, "Tav model 29 ", "Tav model 29 "}, {30, 0x28, "Tav model 30 ", "Tav model 30 "},
    {31, 0x29, "Tav model 31 ", "Tav model 31 "}, {32, 0x2A, "Tav model 32 ", "Tav model 32 "},
    {33, 0x2B, "Tav model 33 ", "Tav model 33 "}, {34, 0x2C, "Tav model 34 ", "Tav model 34 "},
    {35, 0x32, "Tav model 35 ", "Tav model 35 "},
};

TEST(DefaultTypes, AreTheThirtyFiveRowsWithTheirExactTexts) {
    const auto file = std::filesystem::path(::testing::TempDir()) / "vantrel-never-written.reg";
    RegFileStore store(file);
    RegisterTav types(store);
    types.TypeTable.assign(50, TypeRow{99, 99, "old", "old"});  // replaced, not merged
    types.BuildDefaultTypes();

    ASSERT_EQ(types.TypeTable.size(), 35u);
    for (std::size_t i = 0; i < kExpected.size(); ++i) EXPECT_EQ(types.TypeTable[i], kExpected[i]) << "index " << i;
    EXPECT_FALSE(std::filesystem::exists(file)) << "building the defaults must not touch the registry";

    // The loader and the search look rows up by these, so they must be unique.
    std::set<std::uint8_t> replies;
    std::set<std::string> bootNames;
    for (const auto& row : types.TypeTable) {
        replies.insert(row.Reply);
        bootNames.insert(row.BootName);
    }
    EXPECT_EQ(replies.size(), 35u);
    EXPECT_EQ(bootNames.size(), 35u);
}

}  // namespace
}  // namespace vantrel
