#pragma once
// The window's exchanges with the tav on MSComm1: each runs on the window's link and shows
// the box its outcome calls for, as the search and the tests use them.

#include <cstdint>

#include "discovery/ProbePort.h"

namespace vantrel {

class Bootstrap;

// ProbePort on the window's port against TypeTable; the restart after an identification
// shows its box when it did not stand.
Identification ProbePort(Bootstrap& w, bool restart);

bool restart_quadrel_IR(Bootstrap& w);
// On success IrVersionMajor/IrVersionMinor hold the IR micro's version.
bool Link_Quadrel_IR(Bootstrap& w);
bool restart_unit(Bootstrap& w);
// Sends the restart and waits 3 s without reading a reply; always false.
bool dumb_restart_unit(Bootstrap& w);

// Records[index]; shows nothing. An index outside the image is refused.
bool SendRecord(Bootstrap& w, std::int16_t index, bool irMicro);
// The completion with its outcome box.
bool EndProgramming(Bootstrap& w);

}  // namespace vantrel
