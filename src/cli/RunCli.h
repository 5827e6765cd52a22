#pragma once
// Puts the console front-end together over the platform's pieces (serial port, event
// pump, interruptions, terminal, port threads) with what every platform shares (the trace
// decorators, console dialogs, the registry store, the window model) and runs one command.

#include "cli/CliOptions.h"
#include "cli/ExitCodes.h"
#include "serial/PortThread.h"

namespace vantrel {
class EventPump;
class SerialPort;
}  // namespace vantrel

namespace vantrel::cli {

class InterruptSource;
class TerminalReader;

// What differs between the platforms. A platform main makes these and hands them in.
struct ConsolePlatform {
    SerialPort& serial;            // COM1..COM4 of this machine
    EventPump& pump;               // blocks until a serial byte, an interruption or its wake-up time
    InterruptSource& interrupts;   // must wake the pump while noticed
    TerminalReader& terminal;      // must give way to an interruption
    bool stdoutIsTerminal;         // progress is drawn as one redrawn line
    bool stdinIsTerminal;          // questions are asked on the terminal
    StartPortThread startPortThread;  // a thread with a port and pump of its own, per tav programmed
};

ExitCode RunCli(const CliOptions& options, const ConsolePlatform& platform);

}  // namespace vantrel::cli
