#pragma once
// The program's command line as one text, the way the program reads it: everything
// after the program's own name.

#include <string>

#include "app/CommandLineText.h"

namespace vantrel {

// On Windows the raw command line after the program name (quotes and blanks as typed);
// elsewhere the arguments (argv[1..]) joined by single blanks.
std::string CommandLineText(int argc, char** argv);

}  // namespace vantrel
