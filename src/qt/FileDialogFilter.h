#pragma once
// The open-file dialog's filter, from the "Description|patterns|..." form the program
// uses to the "Description (patterns);;..." form of QFileDialog.

#include <QString>
#include <string>

namespace vantrel {

// "PHX (*.PHX)| *.phx" becomes "PHX (*.PHX *.phx)": the patterns named in the description
// and those of the pattern field, each once, under the description's own name.
QString ToQtFileFilter(const std::string& filter);

}  // namespace vantrel
