#pragma once
// The run record's recorder: two JSON lines per programming run (start and end, one run
// id) appended to the user's run record. It holds one run at a time: make one per
// programming run of a port (it costs a few strings), on whichever thread runs that port;
// any number of them may append to the same file at once.
//
// Writing never fails or stops a run: a line that cannot be written is dropped and
// onTrouble told why (the console notes it once; the window says nothing).

#include <cstdint>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "programming/RunRecorder.h"
#include "runs/PortFacts.h"
#include "runs/RecordFile.h"
#include "runs/RecordLocation.h"

namespace vantrel::runs {

struct RunLogSettings {
    RecordLocation location;  // e.g. DefaultRecordLocation()
    std::string frontEnd;     // "window" or "console"
    // The console's end line carries its exit status, known only once the flow has
    // returned: it waits for ExitStatus. The window's is written when the run ends.
    bool endAwaitsExitStatus = false;
    std::uint64_t maxBytes = kRecordMaxBytes;
    std::function<void(const std::string& problem)> onTrouble;
    std::function<PortFacts(int comPort)> describePort = DescribePort;
};

class RunLog final : public RunRecorder {
public:
    explicit RunLog(RunLogSettings settings);
    // An end line still held back is written (without exit status) rather than lost.
    ~RunLog() override;
    RunLog(const RunLog&) = delete;
    RunLog& operator=(const RunLog&) = delete;

    void Started(const RunStart& facts) override;
    void Ended(const RunEnd& facts) override;

    // A message box shown while the run is open: part of its outcome as the user saw it.
    void Shown(const std::string& title, const std::string& text);
    // The console's exit status and last line: writes the end line held back, if any.
    void ExitStatus(int status, const std::string& summary);

    // The run open now, or the last one (empty before the first).
    std::string RunId() const;

private:
    void Write(const nlohmann::ordered_json& line);

    RunLogSettings settings_;
    mutable std::mutex mutex_;
    std::string runId_;
    bool open_ = false;
    std::vector<std::string> shown_;
    std::optional<nlohmann::ordered_json> heldEnd_;
};

}  // namespace vantrel::runs
