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

}  // namespace vantrel::sim
