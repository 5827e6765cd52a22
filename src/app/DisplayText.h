#pragma once
// The program keeps every text as the bytes it was given (the type table, the firmware
// file's header lines) and compares them byte for byte. Only for showing them to a person
// are they turned into UTF-8: a text that already is valid UTF-8 (the natural choice
// when a Linux user edits the type table) is shown as it is, anything else is read as
// Latin-1, one character per byte.

#include <string>
#include <string_view>

namespace vantrel {

bool IsValidUtf8(std::string_view bytes);
std::string DisplayUtf8(std::string_view bytes);
// Each byte as the Latin-1 character of its code.
std::string Latin1ToUtf8(std::string_view bytes);

}  // namespace vantrel
