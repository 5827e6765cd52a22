#pragma once
// The program's command line as one text, the way the program reads it: everything
// after the program's own name.

#include <string>

namespace vantrel {

// The Windows rule on a raw command line: the program name (quoted or not) and the blanks
// after it removed; the rest as typed, quotes and all.
std::string AfterProgramName(const std::string& rawCommandLine);

}  // namespace vantrel
