#include "cli/win32/ConsoleTerminalReader.h"

#include <windows.h>

namespace vantrel::cli {

bool ConsoleTerminalReader::ReadLine(std::string& line) {
    DWORD mode = 0;
    const bool console = GetConsoleMode(input_, &mode) != FALSE;
    for (;;) {
        if (console) {
            // Signalled by any console input; the read below then waits for the whole line.
            HANDLE handles[2] = {input_, interrupted_};
            const DWORD woke = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
            if (woke != WAIT_OBJECT_0) return false;
        }
        char c = 0;
        DWORD n = 0;
        if (!ReadFile(input_, &c, 1, &n, nullptr) || n == 0) return false;
        if (c == '\n') return true;
        if (c != '\r') line += c;
    }
}

}  // namespace vantrel::cli
