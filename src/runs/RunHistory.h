#pragma once
// The runs in the run record, read back: each run's start and end line paired by its id.
// A line that is no record (the torn last line of a crash, anything else) is skipped.

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runs/RecordTime.h"

namespace vantrel::runs {

struct RecordedRunLines {
    std::optional<nlohmann::ordered_json> start;  // none: rolled away with the earlier file
    std::optional<nlohmann::ordered_json> end;    // none: began, never ended
    std::string startLine, endLine;               // as stored, without line end
};

// The runs of these files' bytes, oldest file first, in the order they began.
std::vector<RecordedRunLines> ParseRunRecord(const std::vector<std::string_view>& files);

// The text at keys ({"port", "com"}), a whole number as its digits; empty when there is none.
std::string RecordString(const nlohmann::ordered_json& line, std::initializer_list<const char*> keys);

// When the run began; a run whose start line rolled away counts from its end.
std::optional<RecordTime> RunTime(const RecordedRunLines& run);

// "2025-03-04 05:06:07Z  COM1  Tav model 00 2.0 -> 2.5  succeeded  40 of 40 records":
// when, port, the tav before and the file's version, outcome, records acknowledged.
std::string HistoryLine(const RecordedRunLines& run);

}  // namespace vantrel::runs
