#pragma once
// What the window's commands found, as data: a result row of the search, the firmware
// file a load read, the version question put for a row.

#include <cstdint>
#include <string>

#include "firmware/LoadedFile.h"

namespace vantrel {

// One result row after a search; row i is COM i+1.
struct FoundTav {
    bool opened = false;      // the port opened: the row is shown
    bool selectable = false;  // the tav may be programmed with the loaded file
    std::string text;         // what the row shows: type name and version, "Emergency Comm port n", or empty
    float version = 0;        // the row's code version as a number (TavVersion)
    std::int32_t identification = 0;  // the probe's value the row shows; 0 when none
    std::string versionText;  // the code version as shown ("2.5"); empty when none was identified
};

// Whether a row's tav may be reprogrammed with the loaded file, and what was asked.
struct VersionCheck {
    bool asked = false;
    std::string question;  // the version question's text, when asked
    bool goAhead = true;   // its code is older, or the question was answered OK
};

}  // namespace vantrel
