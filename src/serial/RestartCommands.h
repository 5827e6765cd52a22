#pragma once
// The restart and link commands. Each sets its own line settings on the open port and
// leaves it at "9600,e,8,1"; each shows its own box when the tav never confirms. A port
// that fails under them counts as a tav that did not answer: they never throw.

namespace vantrel {

class Bootstrap;

bool restart_quadrel_IR(Bootstrap& w);
// On success IrVersionMajor/IrVersionMinor hold the IR micro's version.
bool Link_Quadrel_IR(Bootstrap& w);
bool restart_unit(Bootstrap& w);
// Sends the restart and waits 3 s without reading a reply; always false.
bool dumb_restart_unit(Bootstrap& w);

}  // namespace vantrel
