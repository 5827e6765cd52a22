// vantrel-cli on Windows: the console front-end over the Win32 event pump and serial port,
// with the console's Ctrl-C handler and terminal. Wiring only: everything else is shared.

#include <windows.h>

#include "cli/CliMain.h"
#include "cli/RunCli.h"
#include "cli/win32/ConsoleCtrlInterrupts.h"
#include "cli/win32/ConsoleTerminalReader.h"
#include "win32/Win32EventPump.h"
#include "win32/Win32PortThread.h"
#include "win32/Win32SerialPort.h"

namespace {

bool IsConsole(DWORD stdHandle) {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(stdHandle), &mode) != FALSE;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vantrel;
    using namespace vantrel::cli;
    // The arguments in the system's code page, as the Windows program always took them.
    const std::vector<std::string> args(argv + 1, argv + argc);
    return CliMain(args, [](const CliOptions& options) {
        Win32EventPump pump;
        ConsoleCtrlInterrupts interrupts;
        pump.Watch(interrupts);
        ConsoleTerminalReader terminal(GetStdHandle(STD_INPUT_HANDLE), interrupts.WaitEvent());
        Win32SerialPort serial(pump);
        const ExitCode code = RunCli(options, {serial, pump, interrupts, terminal, IsConsole(STD_OUTPUT_HANDLE),
                                               IsConsole(STD_INPUT_HANDLE), StartWin32PortThread});
        pump.Unwatch(interrupts);
        return code;
    });
}
