#pragma once

#include <string>

namespace vantrel {

class Bootstrap;

// Reads a PHX firmware file into the image; an empty path asks in the open-file dialog.
// After a good load it enables Search and Emergency and runs the search.
void LoadFirmwareFile(Bootstrap& w, std::string path);

}  // namespace vantrel
