#pragma once
// The user's commands: Load, Search, Emergency, the selection of a result row, and the
// deferred load of the file named on the command line.

#include <cstdint>
#include <string>

#include "app/VersionCheck.h"

namespace vantrel {

class Bootstrap;

// Timer1's tick: it only stops the timer, which is what ends a wait.
void Timer1_Timer(Bootstrap& w);

void Load_Click(Bootstrap& w);
void search_Click(Bootstrap& w);
void Emergency_Click(Bootstrap& w);
void Option1_Click(Bootstrap& w, std::int16_t Index);
void Timer2_Timer(Bootstrap& w);

// The warning before anything is done in emergency mode.
std::string EmergencyWarning();

// Whether the tav of row Index may be reprogrammed with the loaded file: at once when its
// code version is below the file's, else when the user answers the version question OK.
VersionCheck CheckVersion(Bootstrap& w, std::int16_t Index);
// The loaded file's code version as a number, as the version check compares it with a tav's.
float FileVersion(const Bootstrap& w);

}  // namespace vantrel
