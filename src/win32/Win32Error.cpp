#include "win32/Win32Error.h"

#include <windows.h>

namespace vantrel {

std::string Win32ErrorText(unsigned long error) {
    char buffer[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                             sizeof buffer, nullptr);
    while (n > 0 && (buffer[n - 1] == '\r' || buffer[n - 1] == '\n' || buffer[n - 1] == ' ')) --n;
    const std::string code = "error " + std::to_string(error);
    return n == 0 ? code : std::string(buffer, n) + " (" + code + ")";
}

}  // namespace vantrel
