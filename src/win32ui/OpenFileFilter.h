#pragma once
// The open-file dialog's filter, from the "Description|patterns|..." form the program
// uses to the form of OPENFILENAME: "Description\0patterns\0...\0\0".

#include <string>

namespace vantrel {

// "PHX (*.PHX)| *.phx" becomes "PHX (*.PHX)\0*.phx\0\0": blanks around each pattern go
// (Windows would take them as part of the name), an empty pattern field is "*.*".
std::string ToOpenFileFilter(const std::string& filter);

}  // namespace vantrel
