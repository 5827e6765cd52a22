#pragma once
// The version question put for a row before its tav is programmed, and what came of it.

#include <string>

namespace vantrel {

// Whether a row's tav may be reprogrammed with the loaded file, and what was asked.
struct VersionCheck {
    bool asked = false;
    std::string question;  // the version question's text, when asked
    bool goAhead = true;   // its code is older, or the question was answered OK
};

}  // namespace vantrel
