#pragma once
// Command line of vantrel-tavsim: the tav's profile, its faults and what to do on exit.

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/TavDevice.h"

namespace vantrel::sim {

struct TavsimOptions {
    TavProfile profile;
    TavFaults faults;
    std::string reportPath;  // empty: no report
    std::string linkPath;    // empty: no symlink
    std::string controlPath; // empty: every tav plugged in has the profile and faults above
    bool startUnplugged = false;
    bool exitWhenClosed = false;
    std::chrono::milliseconds closeGrace{1000};
    bool trace = false;  // each byte in and out on stderr
    bool help = false;
};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Throws UsageError with a one-line reason.
TavsimOptions ParseTavsimOptions(const std::vector<std::string>& args);

std::string TavsimUsage();

// The profile and faults of a tav plugged in while the simulator runs: the command line's,
// with the profile and fault options in the control file on top (words separated by white
// space, as on a command line; a missing file adds none). Throws UsageError for an option
// that is not a profile or fault option, or a file that cannot be read.
void ApplyControlFile(const std::string& path, TavProfile& profile, TavFaults& faults);

}  // namespace vantrel::sim
