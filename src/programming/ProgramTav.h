#pragma once
// The programming of one tav on its link: the port opened with the RTS rule, the probe
// that wakes the loader, every record from the last to the first, then the completion and
// restart, or after a failed transfer the restart alone. The window's Program button and
// each port of the console's gang run go through here.

#include <cstdint>
#include <optional>
#include <span>

#include "firmware/FirmwareImage.h"
#include "programming/ProgrammingObserver.h"
#include "programming/ProgrammingRun.h"
#include "registry/RegisterTav.h"

namespace vantrel {

class Link;

struct ProgrammingJob {
    std::span<const FirmwareRecord> records;  // the image, the first loaded first
    std::uint8_t targetReply = 0;
    std::int16_t comPort = 1;  // COMn of the tav
    std::span<const TypeRow> types;  // for the probes ahead of the transfer
};

// Runs the flow on the link; `run` records what happened on the wire (its RecordCount and
// the outcome fields). The port is closed with RTS off when it returns; a ProgramEnding
// from a wait leaves it to the caller.
void ProgramTav(Link& link, const ProgrammingJob& job, ProgrammingRun& run, ProgrammingObserver& observer);

// A record whose address field was 8000 hex or above holds a negative word address, which
// has no place in the tav's memory: sent as its 16-bit pattern it would land elsewhere and
// be acknowledged. The first such record in file order, counted in data lines from 1 as
// the loader's own errors count them.
std::optional<int> FirstDataLineOutOfReach(std::span<const FirmwareRecord> records);

}  // namespace vantrel
