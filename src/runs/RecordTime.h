#pragma once
// The run record's times read back: "2025-03-04T05:06:07.089Z" as the recorder writes
// them (UTC, to the millisecond), and a day "2025-03-04" that a reader picks runs from.

#include <chrono>
#include <optional>
#include <string_view>

namespace vantrel::runs {

using RecordTime = std::chrono::sys_time<std::chrono::milliseconds>;

// "YYYY-MM-DD" (the start of that day, UTC) or "YYYY-MM-DDTHH:MM:SS[.fraction]Z"; none
// for anything else, or a day or time that does not exist (2025-02-30, 24:00:00).
std::optional<RecordTime> ParseRecordTime(std::string_view text);

}  // namespace vantrel::runs
