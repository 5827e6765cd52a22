#pragma once
// Who ran a programming run where, and when, as the run record states it.

#include <chrono>
#include <string>

namespace vantrel::runs {

// The machine's host name; empty when the system will not say.
std::string MachineName();
// The user the program runs as; empty when the system will not say.
std::string UserName();

// UTC, ISO 8601 to the millisecond: "2025-03-04T05:06:07.089Z".
std::string UtcTimestamp(std::chrono::system_clock::time_point at);

// 128 random bits as 32 lower-case hex digits.
std::string NewRunId();

}  // namespace vantrel::runs
