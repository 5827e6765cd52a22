#pragma once
// One armed bench slot in watch mode, on its own link: probe (restart off) until a tav
// answers; program a tav of the file's type whose code is older, exactly as a single run
// programs it; leave every other tav alone; then wait until the tav has been taken away
// before looking at the port again, so that no tav is programmed twice in one connection.
// A missing or busy port is looked at again every few seconds.

#include "discovery/SearchPorts.h"
#include "station/SlotJob.h"
#include "station/SlotStatus.h"

namespace vantrel {

class Link;

struct WatchTimes {
    int portRetryMs = 3000;   // a missing or busy port is looked at again after this
    int presentPauseMs = 1000;  // between probes while a tav that was dealt with is still there
};

class WatchSlot {
public:
    // `counts`: what the slot had done before, carried on.
    WatchSlot(int comPort, const SlotJob& job, WatchTimes times, SlotControl& control, SlotEvents& events,
              SlotCounts counts = {});

    // Runs the cycle until a stop is asked for. The link's pump must be an AbandonablePump
    // on the control's Waits(). The port is closed when it returns.
    void Run(Link& link);

private:
    void Step(Link& link);
    void PortUnavailable(const PortFinding& finding);
    void TavGoneOrStill(const PortFinding& finding, Link& link);
    void TavFound(const PortFinding& finding, Link& link);
    void Show(SlotState state);

    const int comPort_;
    const SlotJob& job_;
    const WatchTimes times_;
    SlotControl& control_;
    SlotEvents& events_;
    SearchRequest probe_;  // this port alone, restart off
    SlotStatus status_;
    bool told_ = false;  // a first state has been told
    bool awaitingRemoval_ = false;
    int emptyProbes_ = 0;
};

}  // namespace vantrel
