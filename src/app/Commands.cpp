// PLACEHOLDER: replaced by the user commands.
#include "app/Commands.h"
#include "app/Bootstrap.h"
namespace vantrel {
void Load_Click(Bootstrap&) {}
void search_Click(Bootstrap&) {}
void Emergency_Click(Bootstrap&) {}
void Option1_Click(Bootstrap&, std::int16_t) {}
void Timer2_Timer(Bootstrap& w) { w.Timer2.SetEnabled(false); }
}  // namespace vantrel
