#pragma once
// The user's commands: Load, Search, Emergency, the selection of a result row, and the
// deferred load of the file named on the command line.

#include <cstdint>

namespace vantrel {

class Bootstrap;

void Load_Click(Bootstrap& w);
void search_Click(Bootstrap& w);
void Emergency_Click(Bootstrap& w);
void Option1_Click(Bootstrap& w, std::int16_t Index);
void Timer2_Timer(Bootstrap& w);

}  // namespace vantrel
