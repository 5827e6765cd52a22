#pragma once
// The Program command as the window steers it while it runs: the close box and Exit ask
// its transfer to stop at the next record boundary, and the program ends once it has
// returned. What the transfer did on the wire is apart from it (programming/ProgrammingRun).

namespace vantrel {

struct ProgramControl {
    // The transfer is running.
    bool Running = false;
    // Asked of the transfer before each record: once set, no further record goes out and
    // the flow takes its failure path (box, restart, port closed).
    bool StopRequested = false;
    // The window was closed while the transfer ran: the program ends once it has returned.
    bool EndWhenDone = false;
};

}  // namespace vantrel
