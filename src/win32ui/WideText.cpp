#include "win32ui/WideText.h"

#include <windows.h>

#include "registry/DisplayText.h"

namespace vantrel {

std::wstring ShownWide(std::string_view bytes) {
    const std::string utf8 = DisplayUtf8(bytes);
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
    return wide;
}

}  // namespace vantrel
