#ifdef _WIN32

#include "files/Win32Error.h"

#include <windows.h>

namespace vantrel {
namespace {

class Win32Category : public std::error_category {
public:
    const char* name() const noexcept override { return "win32"; }
    std::string message(int error) const override { return Win32ErrorText(static_cast<unsigned long>(error)); }
};

}  // namespace

std::string Win32ErrorText(unsigned long error) {
    char buffer[512];
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, buffer,
                             sizeof buffer, nullptr);
    while (n > 0 && (buffer[n - 1] == '\r' || buffer[n - 1] == '\n' || buffer[n - 1] == ' ')) --n;
    const std::string code = "error " + std::to_string(error);
    return n == 0 ? code : std::string(buffer, n) + " (" + code + ")";
}

std::error_code Win32ErrorCode(unsigned long error) {
    static const Win32Category category;
    return {static_cast<int>(error), category};
}

}  // namespace vantrel

#endif
