#pragma once
// What the programming flow tells as it goes. The flow shows nothing itself: the window
// turns these into its bar, percentage and boxes, the console into lines, in the order
// and at the moments the flow reaches them (a box shown here is on screen before the
// flow goes on).

#include <cstdint>

#include "programming/ProgrammingRun.h"
#include "serial/Exchange.h"

namespace vantrel {

// The restart commands the flow may end with.
enum class RestartCommand { Unit, IrMicro };

class ProgrammingObserver {
public:
    virtual ~ProgrammingObserver() = default;

    // Asked before each record: true stops the transfer at this record boundary.
    virtual bool StopRequested() { return false; }
    // COMn could not be opened (or opened again): nothing more is sent.
    virtual void CannotOpen(std::int16_t /*comPort*/) {}
    // The port is open and the tav probed: the first record goes out next.
    virtual void TransferBegins(const ProgrammingRun& /*run*/) {}
    // Record `sent` of `total` (counted from 1) goes out now.
    virtual void Progress(int /*sent*/, int /*total*/) {}
    // A record was never acknowledged, or the transfer was stopped; the tav is restarted next.
    virtual void TransferFailed(const ProgrammingRun& /*run*/) {}
    // The completion exchange after the last record ended so.
    virtual void CompletionEnded(const ExchangeResult& /*completion*/) {}
    // A restart the flow sent (the IR micro's after the image, or the one after a failure).
    virtual void RestartEnded(RestartCommand /*which*/, const ExchangeResult& /*restart*/) {}
};

}  // namespace vantrel
