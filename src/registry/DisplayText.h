#pragma once
// The program keeps every text as the bytes it was given (the type table, the firmware
// file's header lines) and compares them byte for byte. Only for showing them to a person
// are they turned into UTF-8: a text that already is valid UTF-8 (the natural choice
// when a Linux user edits the type table) is shown as it is, anything else is read as
// Latin-1, one character per byte.

#include <cstddef>
#include <string>
#include <string_view>

namespace vantrel {

// The character of the well-formed UTF-8 sequence at the start of bytes, and its length
// in bytes; length 0 when bytes do not start with one (overlong forms, surrogates and
// code points beyond U+10FFFF are not well formed).
struct Utf8Char {
    char32_t code = 0;
    std::size_t length = 0;
};
Utf8Char DecodeUtf8(std::string_view bytes);
void AppendUtf8(std::string& out, char32_t code);

bool IsValidUtf8(std::string_view bytes);
std::string DisplayUtf8(std::string_view bytes);

}  // namespace vantrel
