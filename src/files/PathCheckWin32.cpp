// The path rules on Windows.
#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <cwctype>

#include "files/PathCheck.h"
#include "files/Win32Error.h"

namespace vantrel::files {
namespace {

namespace fs = std::filesystem;

// CON, PRN, AUX, NUL, COM1..9, LPT1..9 (with any extension, in any folder), CONIN$,
// CONOUT$ and the device namespace name devices, not files.
bool IsDeviceName(const fs::path& file) {
    const std::wstring whole = file.native();
    if (whole.starts_with(L"\\\\.\\") || whole.starts_with(L"//./")) return true;
    std::wstring stem = file.filename().native();
    stem = stem.substr(0, stem.find(L'.'));
    while (!stem.empty() && (stem.back() == L' ' || stem.back() == L':')) stem.pop_back();
    std::ranges::transform(stem, stem.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
    if (stem == L"CON" || stem == L"PRN" || stem == L"AUX" || stem == L"NUL" || stem == L"CONIN$" ||
        stem == L"CONOUT$")
        return true;
    return stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT")) && stem[3] >= L'1' &&
           stem[3] <= L'9';
}

Refusal::Reason RefusalOf(const fs::path& file, Access access, PathCheck::Kind& kind, std::error_code& error) {
    if (IsDeviceName(file)) return Refusal::Reason::Device;
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
            kind = PathCheck::Kind::Missing;
            return Refusal::Reason::None;
        }
        error = Win32ErrorCode(code);
        return Refusal::Reason::SystemError;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Refusal::Reason::Folder;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return Refusal::Reason::Device;
    if (access == Access::ReadWrite && (attributes & FILE_ATTRIBUTE_READONLY)) return Refusal::Reason::ReadOnly;
    kind = PathCheck::Kind::Regular;
    return Refusal::Reason::None;
}

}  // namespace

PathCheck CheckPath(const fs::path& path, Access access) {
    PathCheck check;
    check.target = path;
    std::error_code error;
    check.refusal = {RefusalOf(path, access, check.kind, error), path, error};
    return check;
}

}  // namespace vantrel::files

#endif
