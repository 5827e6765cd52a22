#pragma once
// What one run of the programming flow did on the wire, as the flow writes it: how it
// ended, the tav's restart, the records acknowledged. What a front-end tells the user
// rests on it, on the exchange itself rather than on the boxes shown. Stopping a run is
// the front-end's own business: the flow asks its observer before each record.

namespace vantrel {

struct ProgrammingRun {
    enum class Ending {
        NotStarted,    // no record went out: no row, an image the tav cannot take, a port that would not open
        Completed,     // every record acknowledged
        RecordFailed,  // a record was never acknowledged
        Stopped,       // stopped at a record boundary on the user's request
    };
    enum class Restart { NotSent, Unconfirmed, Confirmed };

    Ending Outcome = Ending::NotStarted;
    // The tav's restart out of its loader: the completion, or the restart after a failure.
    Restart TavRestart = Restart::NotSent;
    int RecordCount = 0;
    int RecordsAcknowledged = 0;
    // Record frames sent beyond one a record: the retries the transfer needed.
    int RecordRetries = 0;
    bool TransferBegun = false;

    // The tav has been sent part of the image only: it must be programmed again.
    bool ImageIncomplete() const { return TransferBegun && RecordsAcknowledged < RecordCount; }
};

}  // namespace vantrel
