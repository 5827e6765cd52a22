#include "station/SlotTasks.h"

#include <span>

#include "programming/PortThreadRun.h"
#include "programming/ProgramTav.h"
#include "serial/Link.h"

namespace vantrel {
namespace {

// The flow's account of a transfer, for the slot: the stop request, the percentage, and
// whether the port failed under it.
class TransferWatch : public ProgrammingObserver, public LinkObserver {
public:
    TransferWatch(SlotControl& control, SlotStatus& status, SlotEvents& events)
        : control_(control), status_(status), events_(events) {}

    bool StopRequested() override { return control_.StopRequested(); }
    // The flow's own probe is done: the first record goes out now.
    void TransferBegins(const ProgrammingRun&) override {
        status_.percent = 0;
        status_.state = SlotState::Programming;
        events_.Changed(status_);
    }
    void Progress(int sent, int total) override {
        const int percent = (sent - 1) * 100 / total;
        if (percent == status_.percent) return;
        status_.percent = percent;
        events_.Changed(status_);
    }

    void WaitBegins(int, int) override {}
    void WaitEnds(int, WaitEnd end, int) override { portFailed = portFailed || end == WaitEnd::PortFailed; }
    void WaitCutShort(int) override {}

    bool portFailed = false;

private:
    SlotControl& control_;
    SlotStatus& status_;
    SlotEvents& events_;
};

}  // namespace

TavVerdict JudgeTav(const PortFinding& finding, const SlotJob& job) {
    if (!finding.selectable) return TavVerdict::OtherType;
    const bool upToDate = !(finding.version < job.fileVersion);
    return upToDate && !job.reprogramUpToDate ? TavVerdict::UpToDate : TavVerdict::Program;
}

SearchRequest SlotProbe(const SlotJob& job, int comPort) {
    SearchRequest request;
    request.types = job.types;
    request.targetReply = job.targetReply;
    request.ports = {comPort};
    request.restart = false;
    return request;
}

void TakeTav(SlotStatus& status, const PortFinding& finding) {
    status.tav = finding.Text();
    status.type = finding.type ? finding.type->Name : std::string();
    while (!status.type.empty() && status.type.back() == ' ') status.type.pop_back();  // names end in a blank
}

std::optional<TavResult> ProgramOnSlot(Link& link, const SlotJob& job, const TavToProgram& tav, SlotControl& control,
                                       SlotStatus& status, SlotEvents& events) {
    if (!control.BeginTransfer()) return std::nullopt;

    const int comPort = status.comPort;
    const ProgrammingJob flowJob{std::span<const FirmwareRecord>(*job.image), job.targetReply,
                                 static_cast<std::int16_t>(comPort), job.types};
    RunStart facts;
    facts.file = job.file;
    facts.comPort = comPort;
    facts.emergency = tav.emergency;
    facts.tavShown = tav.shown;
    facts.tavVersion = tav.version;
    TransferWatch watch(control, status, events);
    link.SetObserver(&watch);
    TavResult result;
    result.comPort = comPort;
    const PortThreadEnd end = RunOnPortThread(link, flowJob, result.run, watch, events.RecorderFor(comPort), facts);
    link.SetObserver(nullptr);
    control.EndTransfer();

    result.outcome = JudgeOutcome(result.run, watch.portFailed, end.abandoned, !end.failure.empty());
    result.failure = end.failure;
    status.reason.clear();
    if (result.outcome == TavOutcome::Programmed) {
        ++status.counts.programmed;
        status.records = result.run.RecordCount;
        status.state = SlotState::Programmed;
    } else {
        ++status.counts.failed;
        status.reason = FailureReason(result);
        status.state = SlotState::Failed;
    }
    events.TavEnded(result);
    events.Changed(status);
    if (end.abandoned) throw ProgramEnding{};
    return result;
}

}  // namespace vantrel
