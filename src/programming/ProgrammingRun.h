#pragma once
// The Program command as it runs and as it last ended. A front-end asks a running
// transfer to stop through it, and reads from it what happened on the wire, so that what
// it tells the user rests on the exchange itself rather than on the boxes shown.

namespace vantrel {

struct ProgrammingRun {
    enum class Ending {
        NotStarted,    // no record went out: no row, an image the tav cannot take, a port that would not open
        Completed,     // every record acknowledged
        RecordFailed,  // a record was never acknowledged
        Stopped,       // stopped at a record boundary on the user's request
    };
    enum class Restart { NotSent, Unconfirmed, Confirmed };

    // The flow is running.
    bool Running = false;
    // Checked before each record: once set, no further record goes out and the flow takes
    // its failure path (box, restart, port closed).
    bool StopRequested = false;
    // The window was closed while the flow ran: the program ends once it has returned.
    bool EndWhenDone = false;

    // From the last start of the flow.
    Ending Outcome = Ending::NotStarted;
    // The tav's restart out of its loader: the completion, or the restart after a failure.
    Restart TavRestart = Restart::NotSent;
    int RecordCount = 0;
    int RecordsAcknowledged = 0;
    // Record frames sent again after a silent or wrong reply, over the whole transfer.
    int RecordRetries = 0;
    bool TransferBegun = false;

    // The tav has been sent part of the image only: it must be programmed again.
    bool ImageIncomplete() const { return TransferBegun && RecordsAcknowledged < RecordCount; }
};

}  // namespace vantrel
