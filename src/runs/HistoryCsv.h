#pragma once
// The run record as a table for a spreadsheet: CSV after RFC 4180 (fields quoted when they
// hold a comma, a quote, CR or LF, quotes doubled; every row ends CRLF), UTF-8.

#include <string>

#include "runs/RunHistory.h"

namespace vantrel::runs {

// time, port, device, file name, SHA-256, target, version before, version after, outcome,
// records acknowledged, retries, duration (s)
std::string CsvHeaderRow();

// A field the record does not hold for the run is empty: a run that never ended has no
// outcome, a run whose start line rolled away no time, port or file. "version after" is
// the file's version when the run succeeded (the tav confirmed its restart on the new
// code), otherwise empty: the record holds no reading of the tav after the run.
std::string CsvRow(const RecordedRunLines& run);

}  // namespace vantrel::runs
