#include "cli/WatchCommand.h"

#include <utility>

#include "cli/ConsoleOutput.h"
#include "runs/RunLog.h"

namespace vantrel::cli {
namespace {

ConsoleOutput::SlotLine LineOf(const SlotStatus& s) {
    return {s.comPort, StateKey(s.state), StatusText(s), s.counts.programmed, s.counts.failed, s.counts.leftAlone};
}

std::string ComName(int port) { return "COM" + std::to_string(port); }

// The tav's last line, as `program` words its own.
std::string SummaryOf(const TavResult& r) {
    if (r.outcome == TavOutcome::Programmed)
        return ComName(r.comPort) + " programmed: " + std::to_string(r.run.RecordCount) + " records";
    return "not programmed: " + FailureReason(r);
}

}  // namespace

ExitCode ExitCodeOf(TavOutcome outcome) {
    switch (outcome) {
        case TavOutcome::Programmed: return ExitCode::Succeeded;
        case TavOutcome::RecordRefused:
        case TavOutcome::PortLost:
        case TavOutcome::CannotOpen: return ExitCode::ProgrammingFailed;
        case TavOutcome::RestartUnconfirmed: return ExitCode::NotAcknowledged;
        case TavOutcome::Stopped: return ExitCode::Interrupted;
        case TavOutcome::Abandoned: return ExitCode::Abandoned;
        case TavOutcome::PlatformFailed: return ExitCode::Failure;
    }
    return ExitCode::Failure;
}

WatchCommand::WatchCommand(ConsoleOutput& output, StartPortThread startPortThread, EventPump& pump,
                           const runs::RunLogSettings* record)
    : output_(output), recordSettings_(record), station_(std::move(startPortThread), *this, &pump) {}

WatchCommand::~WatchCommand() = default;

void WatchCommand::Start(const SlotJob& job, const std::vector<int>& comPorts) {
    comPorts_ = comPorts;
    station_.Watch(job, comPorts);
}

void WatchCommand::SlotChanged(const SlotStatus& status) { output_.Slot(LineOf(status)); }

void WatchCommand::TavEnded(const TavResult& result) {
    const ExitCode code = ExitCodeOf(result.outcome);
    const std::string summary = SummaryOf(result);
    if (auto& record = records_.at(static_cast<std::size_t>(result.comPort - 1))) {
        record->ExitStatus(ToInt(code), summary);
        record.reset();
    }
    if (output_.Json()) output_.PortOutcome(result.comPort, code, summary);
    const std::lock_guard lock(mutex_);
    if (result.outcome == TavOutcome::Stopped) stopped_ = true;
    if (result.outcome == TavOutcome::Abandoned) abandoned_ = true;
    if (code != ExitCode::Succeeded && code != ExitCode::Interrupted && code != ExitCode::Abandoned && !firstFailure_)
        firstFailure_ = code;
}

RunRecorder* WatchCommand::RecorderFor(int comPort) {
    if (!recordSettings_) return nullptr;
    auto& record = records_.at(static_cast<std::size_t>(comPort - 1));
    record = std::make_unique<runs::RunLog>(*recordSettings_);
    return record.get();
}

ExitCode WatchCommand::Conclude(std::string& summary) {
    station_.Wait();
    std::vector<ConsoleOutput::SlotLine> lines;
    const auto statuses = station_.Statuses();
    for (const int port : comPorts_) lines.push_back(LineOf(statuses.at(static_cast<std::size_t>(port - 1))));
    output_.WatchSummary(lines);

    const SlotCounts total = station_.Total();
    summary = "watch ended: " + std::to_string(total.programmed) + " programmed, " + std::to_string(total.failed) +
              " failed, " + std::to_string(total.leftAlone) + " left alone";
    const std::lock_guard lock(mutex_);
    if (abandoned_) return ExitCode::Abandoned;
    if (stopped_) return ExitCode::Interrupted;
    return firstFailure_.value_or(ExitCode::Succeeded);
}

}  // namespace vantrel::cli
