#pragma once

#include <string>

namespace vantrel {

class Bootstrap;

// The open-file dialog's filter for firmware files.
inline constexpr const char* kPhxDialogFilter = "PHX (*.PHX)| *.phx";

// Loads a PHX file into the window's image; an empty path asks for the file in the
// open-file dialog. A good file enables Search and Emergency and starts the search.
void LoadFirmwareFile(Bootstrap& w, std::string path);
// The same without the search: for a front-end that finds its tavs its own way. Whether
// the file loaded.
bool ReadFirmwareFile(Bootstrap& w, std::string path);

}  // namespace vantrel
