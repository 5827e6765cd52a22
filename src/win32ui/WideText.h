#pragma once
// Program texts for the Windows controls. The program keeps its texts as bytes; a person
// sees valid UTF-8 as UTF-8 and anything else as Latin-1 (registry/DisplayText.h), here
// in the UTF-16 of the Windows API.

#include <string>
#include <string_view>

namespace vantrel {

std::wstring ShownWide(std::string_view bytes);

}  // namespace vantrel
