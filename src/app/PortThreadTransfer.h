#pragma once
// The window's transfer on a port thread of its own. The flow runs there on a link of its
// own; whatever it would show (progress, boxes) is handed to the window's thread, which
// keeps turning the window's loop meanwhile and shows it, the flow waiting until it has
// (a box is on screen before the flow goes on). So the window looks and behaves as when
// the flow runs on its own link, and when the window's thread cannot go on (its display
// is gone and the toolkit is ending the program) the transfer can still stop at its next
// record boundary and restart the tav.

#include "app/TransferRunner.h"
#include "serial/PortThread.h"

namespace vantrel {

class Link;

class PortThreadTransfer : public TransferRunner {
public:
    // windowLink: the window's link, whose loop (events and the window's timers) turns on
    // the window's thread while the transfer goes on.
    PortThreadTransfer(StartPortThread start, Link& windowLink);
    PortThreadTransfer(const PortThreadTransfer&) = delete;
    PortThreadTransfer& operator=(const PortThreadTransfer&) = delete;

    void Run(const ProgrammingJob& job, ProgrammingRun& run, ProgrammingObserver& observer, RunRecorder* recorder,
             const RunStart& facts) override;

    // A transfer is under way.
    bool Running() const { return active_ != nullptr; }

    // On the window's thread, when it can serve the window no more: the transfer stops at
    // its next record boundary; what the flow shows from now on goes to the observer on
    // the port thread, the window's thread touching nothing of the window meanwhile; this
    // returns once the port thread has ended (the tav restarted, the port closed, the run
    // recorded). Does nothing when no transfer runs.
    void FinishWithoutWindow();

private:
    struct Active;
    class Relay;
    void Work(Active& a, SerialPort& port, EventPump& pump);
    void ServeWindow(Active& a);

    StartPortThread start_;
    Link& windowLink_;
    Active* active_ = nullptr;
};

}  // namespace vantrel
