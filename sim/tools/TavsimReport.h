#pragma once
// What reached one simulated tav, as JSON: which tav it was (its number in order of
// plugging in, 0 for none, its reply code and version), the stored records in arrival
// order, the counts of each exchange, and the command bytes in order.

#include <string>

#include "sim/TavDevice.h"

namespace vantrel::sim {

std::string ReportJson(const TavDevice& tav, int plugging);

// Writes text to a temporary file beside path and renames it over path, so a reader
// never sees half a report. Throws std::system_error on failure.
void WriteFileAtomically(const std::string& path, const std::string& text);

}  // namespace vantrel::sim
