#pragma once
// The two lines a programming run leaves in the run record, as JSON objects: "start" when
// the flow goes to the tav's port, "end" when it has ended, both with the run's id.

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "programming/RunRecorder.h"
#include "runs/PortFacts.h"

namespace vantrel::runs {

// What the recorder adds to the core's facts at the start.
struct StartContext {
    std::string runId;
    std::string at;        // UTC timestamp
    std::string frontEnd;  // "window" or "console"
    std::string machine, user;
    PortFacts port;
};

// A firmware file larger than this is not read again for its digest.
inline constexpr std::uint64_t kDigestMaxBytes = 64 * 1024 * 1024;

nlohmann::ordered_json StartLine(const RunStart& facts, const StartContext& context);

// The outcome in one word: succeeded, restart-unconfirmed, record-failed, stopped,
// abandoned, port-not-opened.
const char* OutcomeWord(const RunEnd& facts);

// Without "exit": the console adds its exit status, the window null.
nlohmann::ordered_json EndLine(const RunEnd& facts, const std::string& runId, const std::string& at,
                       const std::vector<std::string>& shown);

// One line of the record file, with its line end. Bytes that are not UTF-8 cannot occur
// (every text went through DisplayUtf8) but would be replaced rather than lose the line.
std::string Serialised(const nlohmann::ordered_json& line);

}  // namespace vantrel::runs
