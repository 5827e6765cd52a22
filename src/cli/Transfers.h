#pragma once
// The transfers of one console run: each selected tav programmed on its own port thread
// with the flow the window's Program button runs, all at the same time, each with its own
// run record. The main thread starts them, asks them to stop (at the next record boundary,
// or at once), and waits for them in its pump.

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "programming/ProgramTav.h"
#include "programming/ProgrammingRun.h"
#include "programming/RunRecorder.h"
#include "serial/AbandonablePump.h"
#include "serial/PortThread.h"

namespace vantrel {
class EventPump;
}
namespace vantrel::runs {
class RunLog;
}

namespace vantrel::cli {

class ConsoleOutput;
class TraceLog;

// One tav's transfer as it ran.
struct Transfer {
    int port = 0;
    ProgrammingRun run;
    bool abandoned = false;      // stopped at once: no orderly end
    std::string failure;         // the platform failed under it (empty: it did not)
};

class Transfers {
public:
    // tagged: there are several, so what each says carries its port.
    Transfers(StartPortThread start, EventPump& mainPump, ConsoleOutput& output, TraceLog* trace, bool tagged);
    ~Transfers();  // joins every thread
    Transfers(const Transfers&) = delete;
    Transfers& operator=(const Transfers&) = delete;

    // Starts programming the tav on COM `port` with the image and target of `job`; the
    // run goes into `record` (none: no record) with `facts` as its start.
    void Start(int port, const ProgrammingJob& job, const RunStart& facts, runs::RunLog* record);
    bool AllDone() const;
    // Every transfer stops before its next record and restarts its tav, as after a failure.
    void StopAtRecordBoundary();
    // Every transfer ends at once, the tav left as it is; its port is closed.
    void Abandon();
    // In the order started; meaningful once AllDone.
    std::vector<const Transfer*> Results() const;

private:
    struct Running;
    void Work(Running& r, SerialPort& platformPort, EventPump& platformPump);
    void Finished(Running& r);

    StartPortThread start_;
    EventPump& mainPump_;
    ConsoleOutput& output_;
    TraceLog* trace_;
    bool tagged_;
    std::atomic<bool> stop_{false};
    Abandonment abandonment_;
    std::vector<std::unique_ptr<Running>> running_;
};

}  // namespace vantrel::cli
