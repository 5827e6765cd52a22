#pragma once
// vantrel-cli watch: the bench model watching the armed ports, shown on the console as
// each slot changes, each tav's run recorded with its own exit status, and the watch's
// own exit status made of the tavs' outcomes.

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/ExitCodes.h"
#include "station/Station.h"

namespace vantrel {
class EventPump;
}
namespace vantrel::runs {
class RunLog;
struct RunLogSettings;
}  // namespace vantrel::runs

namespace vantrel::cli {

class ConsoleOutput;

// The status a tav's outcome gives alone, as `program` gives it.
ExitCode ExitCodeOf(TavOutcome outcome);

class WatchCommand : private StationObserver {
public:
    // record: how each programming run is recorded (none: it is not). `pump` is woken as
    // the slots change and end.
    WatchCommand(ConsoleOutput& output, StartPortThread startPortThread, EventPump& pump,
                 const runs::RunLogSettings* record);
    ~WatchCommand() override;

    void Start(const SlotJob& job, const std::vector<int>& comPorts);
    bool Running() const { return station_.Running(); }
    // Every transfer stops at its next record boundary, its tav restarted; the rest at once.
    void Stop() { station_.Stop(); }
    // Everything at once, transfers too.
    void Abandon() { station_.Abandon(); }
    // Once no slot runs: prints the counts; the watch's exit status and its last line.
    ExitCode Conclude(std::string& summary);

private:
    void SlotChanged(const SlotStatus& status) override;
    void TavEnded(const TavResult& result) override;
    RunRecorder* RecorderFor(int comPort) override;

    ConsoleOutput& output_;
    const runs::RunLogSettings* recordSettings_;
    // Each slot's record of the run under way; touched only on that slot's thread.
    std::array<std::unique_ptr<runs::RunLog>, kSlots> records_;
    std::vector<int> comPorts_;
    std::mutex mutex_;
    std::optional<ExitCode> firstFailure_;
    bool stopped_ = false, abandoned_ = false;
    Station station_;  // last: its threads end before what they use
};

}  // namespace vantrel::cli
