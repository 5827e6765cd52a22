#pragma once
// The restart and link commands on an open port. Each sets its own line settings and
// leaves the port at "9600,e,8,1"; each tries four times. They show nothing and never
// throw: how the exchange ended is theirs to return, what to tell the user the caller's.

#include "serial/Exchange.h"

namespace vantrel {

class Link;

inline constexpr int kRestartAttempts = 4;

// Restarts the IR micro behind a tav: confirmed by 240.
ExchangeResult restart_quadrel_IR(Link& link);
// Opens the link to the IR micro: any reply of four or more bytes stands; bytes 1 and 2
// of the accepted reply are the IR micro's version.
ExchangeResult Link_Quadrel_IR(Link& link);
// Restarts the tav: confirmed by 240 as the first or second byte.
ExchangeResult restart_unit(Link& link);
// Sends the restart and waits 3 s without reading a reply.
void dumb_restart_unit(Link& link);

}  // namespace vantrel
