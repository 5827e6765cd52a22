#include "station/WatchSlot.h"

#include "discovery/SearchPorts.h"
#include "serial/Link.h"
#include "serial/PortSteps.h"
#include "station/SlotTasks.h"

namespace vantrel {
namespace {

// Probes two in a row that find no tav: the tav has been taken away.
constexpr int kEmptyProbesForGone = 2;

}  // namespace

WatchSlot::WatchSlot(int comPort, const SlotJob& job, WatchTimes times, SlotControl& control, SlotEvents& events,
                     SlotCounts counts)
    : comPort_(comPort), job_(job), times_(times), control_(control), events_(events),
      probe_(SlotProbe(job, comPort)) {
    status_.comPort = comPort;
    status_.counts = counts;
    status_.armed = true;
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
    TakeTav(status_, finding);
    status_.reason.clear();
    const TavVerdict verdict = JudgeTav(finding, job_);
    if (verdict != TavVerdict::Program) {
        ++status_.counts.leftAlone;
        awaitingRemoval_ = true;
        status_.state = verdict == TavVerdict::UpToDate ? SlotState::UpToDate : SlotState::OtherType;
        events_.Changed(status_);  // also when the tav before was left alone the same way
        return;
    }
    // Programmed or not (a stop came first), the tav is not looked at again while it stays.
    (void)ProgramOnSlot(link, job_, {finding.Text(), finding.versionText, false}, control_, status_, events_);
    awaitingRemoval_ = true;
    emptyProbes_ = 0;
}

}  // namespace vantrel
