#include "runs/RunLog.h"

#include <chrono>

#include "runs/HostFacts.h"
#include "runs/RecordLines.h"

namespace vantrel::runs {
namespace {

std::string Now() { return UtcTimestamp(std::chrono::system_clock::now()); }

}  // namespace

RunLog::RunLog(RunLogSettings settings) : settings_(std::move(settings)) {}

RunLog::~RunLog() {
    try {
        ExitStatus(-1, {});
    } catch (...) {
        // A destructor must not throw, and a record that cannot be written costs nothing.
    }
}

void RunLog::Started(const RunStart& facts) {
    StartContext context;
    context.runId = NewRunId();
    context.at = Now();
    context.frontEnd = settings_.frontEnd;
    context.machine = MachineName();
    context.user = UserName();
    if (settings_.describePort) context.port = settings_.describePort(facts.comPort);
    const nlohmann::ordered_json line = StartLine(facts, context);
    {
        const std::lock_guard lock(mutex_);
        runId_ = context.runId;
        open_ = true;
        shown_.clear();
        heldEnd_.reset();
    }
    Write(line);
}

void RunLog::Ended(const RunEnd& facts) {
    nlohmann::ordered_json line;
    {
        const std::lock_guard lock(mutex_);
        if (!open_) return;
        open_ = false;
        line = EndLine(facts, runId_, Now(), shown_);
        if (settings_.endAwaitsExitStatus) {
            heldEnd_ = std::move(line);
            return;
        }
    }
    line["exit"] = nullptr;
    Write(line);
}

void RunLog::Shown(const std::string& title, const std::string& text) {
    const std::lock_guard lock(mutex_);
    if (open_) shown_.push_back(title + ": " + text);
}

void RunLog::ExitStatus(int status, const std::string& summary) {
    nlohmann::ordered_json line;
    {
        const std::lock_guard lock(mutex_);
        if (!heldEnd_) return;
        line = std::move(*heldEnd_);
        heldEnd_.reset();
    }
    if (status >= 0) {
        line["summary"] = summary;
        line["exit"] = status;
    } else {
        line["exit"] = nullptr;
    }
    Write(line);
}

std::string RunLog::RunId() const {
    const std::lock_guard lock(mutex_);
    return runId_;
}

void RunLog::Write(const nlohmann::ordered_json& line) {
    const RecordLocation& where = settings_.location;
    std::string problem;
    if (where.file.empty())
        problem = where.unavailable.empty() ? "" : "no run record is kept: " + where.unavailable;
    else
        problem = AppendRecordLine(where.file, Serialised(line), settings_.maxBytes);
    if (!problem.empty() && settings_.onTrouble) settings_.onTrouble(problem);
}

}  // namespace vantrel::runs
