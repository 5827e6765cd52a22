#pragma once
// The two things a slot does with a tav, for watch mode and for the bench's one-off
// commands alike: look at what its port holds, and program the tav on it exactly as a
// single run programs one.

#include <optional>
#include <string>

#include "discovery/SearchPorts.h"
#include "station/SlotJob.h"

namespace vantrel {

class Link;

enum class TavVerdict { Program, UpToDate, OtherType };

// What the job does with the tav found: a tav of the file's type is programmed when its
// code is older than the file's (or always, when up-to-date tavs are to be reprogrammed).
TavVerdict JudgeTav(const PortFinding& finding, const SlotJob& job);

// The search of the slot's port alone, restart off: a tav is never touched beyond the probe.
SearchRequest SlotProbe(const SlotJob& job, int comPort);

// The tav found, as the status names it: its text, and its type name alone.
void TakeTav(SlotStatus& status, const PortFinding& finding);

// The tav to program, as the run's record names it.
struct TavToProgram {
    std::string shown;    // as found ("Tav model 04 2.5"); empty when it was not identified
    std::string version;  // its code version as found
    bool emergency = false;  // not found by a probe: a tav that failed earlier
};

// Programs the tav on the slot's port with the job's image, the status showing
// "Programming" from the first record on and the outcome (with the counts) at the end;
// the run told to the events' recorder. None when a stop had been asked for before it
// began: the tav was left alone. Throws ProgramEnding when the run was abandoned.
std::optional<TavResult> ProgramOnSlot(Link& link, const SlotJob& job, const TavToProgram& tav, SlotControl& control,
                        SlotStatus& status, SlotEvents& events);

}  // namespace vantrel
