#pragma once
// What reached the simulated tav, as JSON: the stored records in arrival order, the
// counts of each exchange, and the command bytes in order.

#include <string>

#include "sim/TavDevice.h"

namespace vantrel::sim {

std::string ReportJson(const TavDevice& tav);

// Writes text to a temporary file beside path and renames it over path, so a reader
// never sees half a report. Throws std::system_error on failure.
void WriteFileAtomically(const std::string& path, const std::string& text);

}  // namespace vantrel::sim
