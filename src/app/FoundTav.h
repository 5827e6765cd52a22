#pragma once
// What the window's commands found, as data: a result row of the search, the firmware
// file a load read.

#include <cstdint>
#include <string>

namespace vantrel {

// One result row after a search; row i is COM i+1.
struct FoundTav {
    bool opened = false;      // the port opened: the row is shown
    bool selectable = false;  // the tav may be programmed with the loaded file
    std::string text;         // what the row shows: type name and version, "Emergency Comm port n", or empty
    float version = 0;        // the row's code version as a number (TavVersion)
    std::int32_t identification = 0;  // the probe's value the row shows; 0 when none
};

struct LoadedFile {
    std::string path;
    std::string target;   // the target line without its markers
    std::string version;  // the version line
    int records = 0;
};

}  // namespace vantrel
