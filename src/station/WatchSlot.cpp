#include "station/WatchSlot.h"

#include <span>

#include "discovery/SearchPorts.h"
#include "programming/PortThreadRun.h"
#include "programming/ProgramTav.h"
#include "serial/Link.h"
#include "serial/PortSteps.h"

namespace vantrel {
namespace {

// Probes two in a row that find no tav: the tav has been taken away.
constexpr int kEmptyProbesForGone = 2;

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

void SlotControl::RequestStop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    // A transfer stops at its record boundary by itself; anything else may end at once.
    if (!transferring_) abandonment_.Abandon();
}

bool SlotControl::StopRequested() const {
    std::lock_guard lock(mutex_);
    return stop_;
}

bool SlotControl::BeginTransfer() {
    std::lock_guard lock(mutex_);
    if (stop_) return false;
    transferring_ = true;
    return true;
}

void SlotControl::EndTransfer() {
    std::lock_guard lock(mutex_);
    transferring_ = false;
    if (stop_) abandonment_.Abandon();
}

WatchSlot::WatchSlot(int comPort, const WatchJob& job, WatchTimes times, SlotControl& control, SlotEvents& events)
    : comPort_(comPort), job_(job), times_(times), control_(control), events_(events) {
    status_.comPort = comPort;
    status_.armed = true;
    probe_.types = job.types;
    probe_.targetReply = job.targetReply;
    probe_.ports = {comPort};
    probe_.restart = false;  // a watched tav is never touched beyond the probe
}

void WatchSlot::Run(Link& link) {
    // The first status is told once the port has been looked at.
    try {
        while (!control_.StopRequested()) Step(link);
    } catch (const ProgramEnding&) {
        // Stopped while probing or pausing: nothing of the tav's was under way.
    }
    CloseIfOpen(link.Port());
}

void WatchSlot::Show(SlotState state) {
    if (told_ && status_.state == state) return;
    told_ = true;
    status_.state = state;
    events_.Changed(status_);
}

void WatchSlot::Step(Link& link) {
    SearchObserver quiet;
    link.Port().SetRTSEnable(SearchWithRts(job_.targetReply));
    const PortFinding finding = SearchPort(link, comPort_, probe_, quiet);
    if (!finding.Opened())
        PortUnavailable(finding);
    else if (awaitingRemoval_)
        TavGoneOrStill(finding, link);
    else if (finding.identification == 0)
        Show(status_.state == SlotState::Failed ? SlotState::Failed : SlotState::Waiting);
    else
        TavFound(finding, link);
    if (!finding.Opened()) link.Pause(times_.portRetryMs);
}

void WatchSlot::PortUnavailable(const PortFinding& finding) {
    // With the port gone, so is the tav that was on it.
    awaitingRemoval_ = false;
    emptyProbes_ = 0;
    if (status_.state == SlotState::Failed) return;  // a failure stays in view until the next tav
    Show(finding.access == PortAccess::InUse ? SlotState::InUse : SlotState::NoPort);
}

void WatchSlot::TavGoneOrStill(const PortFinding& finding, Link& link) {
    if (finding.identification != 0) {
        emptyProbes_ = 0;
        link.Pause(times_.presentPauseMs);
        return;
    }
    if (++emptyProbes_ < kEmptyProbesForGone) return;
    awaitingRemoval_ = false;
    emptyProbes_ = 0;
    if (status_.state != SlotState::Failed) Show(SlotState::Waiting);
}

void WatchSlot::TavFound(const PortFinding& finding, Link& link) {
    status_.tav = finding.Text();
    status_.type = finding.type ? finding.type->Name : std::string();
    while (!status_.type.empty() && status_.type.back() == ' ') status_.type.pop_back();  // names end in a blank
    status_.reason.clear();
    const bool upToDate = !(finding.version < job_.fileVersion);
    if (!finding.selectable || (upToDate && !job_.reprogramUpToDate)) {
        ++status_.counts.leftAlone;
        awaitingRemoval_ = true;
        status_.state = finding.selectable ? SlotState::UpToDate : SlotState::OtherType;
        events_.Changed(status_);  // also when the tav before was left alone the same way
        return;
    }
    Program(finding, link);
}

void WatchSlot::Program(const PortFinding& finding, Link& link) {
    if (!control_.BeginTransfer()) return;

    const ProgrammingJob job{std::span<const FirmwareRecord>(*job_.image), job_.targetReply,
                             static_cast<std::int16_t>(comPort_), job_.types};
    RunStart facts;
    facts.file = job_.file;
    facts.comPort = comPort_;
    facts.tavShown = finding.Text();
    facts.tavVersion = finding.versionText;
    TransferWatch watch(control_, status_, events_);
    link.SetObserver(&watch);
    TavResult result;
    result.comPort = comPort_;
    const PortThreadEnd end = RunOnPortThread(link, job, result.run, watch, events_.RecorderFor(comPort_), facts);
    link.SetObserver(nullptr);
    control_.EndTransfer();

    result.outcome = JudgeOutcome(result.run, watch.portFailed, end.abandoned, !end.failure.empty());
    result.failure = end.failure;
    if (result.outcome == TavOutcome::Programmed) {
        ++status_.counts.programmed;
        status_.records = result.run.RecordCount;
        status_.state = SlotState::Programmed;
    } else {
        ++status_.counts.failed;
        status_.reason = FailureReason(result);
        status_.state = SlotState::Failed;
    }
    awaitingRemoval_ = true;
    emptyProbes_ = 0;
    events_.TavEnded(result);
    events_.Changed(status_);
    if (end.abandoned) throw ProgramEnding{};
}

}  // namespace vantrel
