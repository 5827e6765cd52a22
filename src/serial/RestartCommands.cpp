// PLACEHOLDER: replaced by the restart and link commands.
#include "serial/RestartCommands.h"
namespace vantrel {
bool restart_quadrel_IR(Bootstrap&) { return false; }
bool Link_Quadrel_IR(Bootstrap&) { return false; }
bool restart_unit(Bootstrap&) { return false; }
bool dumb_restart_unit(Bootstrap&) { return false; }
}  // namespace vantrel
