#include "programming/ProgramTav.h"

#include "discovery/ProbePort.h"
#include "programming/EndProgramming.h"
#include "programming/SendRecord.h"
#include "serial/Link.h"
#include "serial/PortSteps.h"
#include "serial/RestartCommands.h"

namespace vantrel {
namespace {

constexpr int kSettleMs = 100;

class Flow {
public:
    Flow(Link& link, const ProgrammingJob& job, ProgrammingRun& run, ProgrammingObserver& observer)
        : link_(link), port_(link.Port()), job_(job), run_(run), observer_(observer),
          irMicro_(IsIrMicroTarget(job.targetReply)), rtsTarget_(job.targetReply == kRtsTarget) {}

    void Run() {
        if (!PreparePort()) return;
        if (SendImage())
            Complete();
        else
            RestartAfterFailure();
    }

private:
    void Probe() { (void)ProbePort(link_, job_.types, false); }

    // COMn opened and the line let settle, then opened again with RTS off (and once more
    // with RTS on for the tavs that need it, after a probe), and the probe that wakes the
    // tav's loader. False when a port could not be opened (the observer has been told).
    bool PreparePort() {
        CloseIfOpen(port_);
        const bool opened = TryOpenPort(port_, job_.comPort);
        if (opened) link_.Pause(kSettleMs);
        if (!opened || !ReopenPort(port_, false)) return CannotOpen();
        if (rtsTarget_) {
            Probe();
            if (!ReopenPort(port_, true)) return CannotOpen();
        }
        Probe();
        return true;
    }

    bool CannotOpen() {
        observer_.CannotOpen(port_.CommPort());
        return false;
    }

    // Sends the image from the last record to the first. Stops at the first record the tav
    // never acknowledged, or before the next record once a stop has been asked for; the
    // records after it in the sending order are not sent.
    bool SendImage() {
        observer_.TransferBegins(run_);
        const int count = static_cast<int>(job_.records.size());
        for (int i = count - 1; i >= 0; --i) {
            if (observer_.StopRequested()) {
                run_.Outcome = ProgrammingRun::Ending::Stopped;
                return false;
            }
            observer_.Progress(count - i, count);
            run_.TransferBegun = true;
            const ExchangeResult sent = SendRecord(link_, job_.records[static_cast<std::size_t>(i)], irMicro_);
            run_.RecordRetries += sent.attempts - 1;
            if (!sent.Accepted()) {
                run_.Outcome = ProgrammingRun::Ending::RecordFailed;
                return false;
            }
            ++run_.RecordsAcknowledged;
        }
        run_.Outcome = ProgrammingRun::Ending::Completed;
        return true;
    }

    void Restarted(const ExchangeResult& restart) {
        run_.TavRestart = restart.Accepted() ? ProgrammingRun::Restart::Confirmed : ProgrammingRun::Restart::Unconfirmed;
    }

    // The completion (the tav leaves its loader and confirms) or the IR micro's restart.
    void Complete() {
        run_.TavRestart = ProgrammingRun::Restart::Unconfirmed;  // stays so if the program ends meanwhile
        if (irMicro_) {
            const ExchangeResult restart = restart_quadrel_IR(link_);
            Restarted(restart);
            observer_.RestartEnded(RestartCommand::IrMicro, restart);
            return;
        }
        const ExchangeResult completion = EndProgramming(link_);
        Restarted(completion);
        observer_.CompletionEnded(completion);
        if (rtsTarget_ && ReopenPort(port_, false)) dumb_restart_unit(link_);
    }

    // A tav left in its loader is restarted all the same; a port that has gone is skipped.
    void RestartAfterFailure() {
        observer_.TransferFailed(run_);
        if (!ReopenPort(port_, false)) return;
        run_.TavRestart = ProgrammingRun::Restart::Unconfirmed;  // stays so if the program ends meanwhile
        const ExchangeResult restart = irMicro_ ? restart_quadrel_IR(link_) : restart_unit(link_);
        Restarted(restart);
        observer_.RestartEnded(irMicro_ ? RestartCommand::IrMicro : RestartCommand::Unit, restart);
    }

    Link& link_;
    SerialPort& port_;
    const ProgrammingJob& job_;
    ProgrammingRun& run_;
    ProgrammingObserver& observer_;
    const bool irMicro_;
    const bool rtsTarget_;
};

}  // namespace

void ProgramTav(Link& link, const ProgrammingJob& job, ProgrammingRun& run, ProgrammingObserver& observer) {
    run.RecordCount = static_cast<int>(job.records.size());
    Flow(link, job, run, observer).Run();
    ClosePort(link.Port());
}

std::optional<int> FirstDataLineOutOfReach(std::span<const FirmwareRecord> records) {
    for (std::size_t i = 0; i < records.size(); ++i)
        if (records[i].WordAddress < 0) return static_cast<int>(i) + 1;
    return std::nullopt;
}

}  // namespace vantrel
