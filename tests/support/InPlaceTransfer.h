#pragma once
// The transfer of the suites on virtual time. Each window runs the Program command's
// transfer on a port thread; the simulator's port and clock belong to the test's one
// thread, so here it runs in place instead, on the model's own link, its waits turning
// the virtual pump as the window's would. A model on virtual time takes it as its Transfer.

#include "app/TransferRunner.h"
#include "serial/Link.h"

namespace vantrel::test {

class InPlaceTransfer : public TransferRunner {
public:
    explicit InPlaceTransfer(Link& link) : link_(link) {}
    void Run(const ProgrammingJob& job, ProgrammingRun& run, ProgrammingObserver& observer, RunRecorder* recorder,
             const RunStart& facts) override;

private:
    Link& link_;
};

}  // namespace vantrel::test
