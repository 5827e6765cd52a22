// The built-in type table. Names are "Tav model NN", some with one trailing blank; the
// blanks matter because firmware files name their target by BootName, compared exactly.

#include "registry/DefaultTypes.h"

#include <array>
#include <cstdint>
#include <cstdio>

namespace vantrel {
namespace {

struct DefaultRow {
    std::uint8_t type;
    std::uint8_t reply;
    bool nameBlank;      // Name ends with a blank
    bool bootNameBlank;  // BootName ends with a blank
};

// Type code 11 was never used: index 11 holds type 12.
constexpr std::array<DefaultRow, 35> kDefaultRows{{
    {0, 0x11, true, false},  {1, 0x22, true, false},  {2, 0x33, true, false},
    {3, 0x44, true, false},  {4, 0x55, true, true},   {5, 0x66, true, false},
    {6, 0x77, true, true},   {7, 0x88, true, true},   {8, 0x99, true, false},
    {9, 0xAA, true, true},   {10, 0xBB, false, true}, {12, 0xCC, true, true},
    {13, 0xDD, true, true},  {14, 0xEE, true, true},  {15, 0x1E, false, true},
    {16, 0x1D, true, true},  {17, 0x1C, true, true},  {18, 0x20, true, true},
    {19, 0x21, true, true},  {20, 0x23, true, true},  {21, 0x24, true, true},
    {22, 0x25, true, true},  {23, 0x15, true, true},  {24, 0x16, true, true},
    {25, 0x17, true, true},  {26, 0x18, true, true},  {27, 0x19, true, true},
    {28, 0x26, true, true},  {29, 0x27, true, true},  {30, 0x28, true, true},
    {31, 0x29, true, true},  {32, 0x2A, true, true},  {33, 0x2B, true, true},
    {34, 0x2C, true, true},  {35, 0x32, true, true},
}};

std::string ModelText(std::uint8_t type, bool trailingBlank) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02u", static_cast<unsigned>(type));
    std::string text = std::string("Tav model ") + digits;
    if (trailingBlank) text += ' ';
    return text;
}

}  // namespace

std::vector<TypeRow> DefaultTypeRows() {
    std::vector<TypeRow> rows;
    rows.reserve(kDefaultRows.size());
    for (const DefaultRow& d : kDefaultRows)
        rows.push_back({d.type, d.reply, ModelText(d.type, d.nameBlank), ModelText(d.type, d.bootNameBlank)});
    return rows;
}

}  // namespace vantrel
