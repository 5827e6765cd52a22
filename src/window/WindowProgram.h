#pragma once
// The program around a window, the same for both windows: the type table in the system's
// store, the record of every programming run (the window says nothing when it cannot
// keep it), the model loaded as the window starts, and the Program command's transfer on
// a port thread of the platform's, so that it can end in order also when the window
// cannot. The window itself and its event loop are the caller's.

#include <functional>
#include <string>

#include "app/Bootstrap.h"
#include "app/PortThreadTransfer.h"
#include "serial/PortThread.h"

namespace vantrel {

// What the platform gives the window's program, made on the window's thread.
struct WindowPlatform {
    SerialPort& port;  // the window's own: the search's
    EventPump& pump;
    Dialogs& dialogs;  // the toolkit's boxes
    StartPortThread portThreads;  // for the transfer
};

// The window over the model (`w`, its transfer running on `transfer`), shown and run
// until the program has ended; the program's exit code.
using RunWindow = std::function<int(Bootstrap& w, PortThreadTransfer& transfer)>;

// Makes the program over the platform and the command line (the whole argument text),
// then runs `window` over it.
int RunWindowProgram(const WindowPlatform& platform, std::string commandLine, const RunWindow& window);

}  // namespace vantrel
