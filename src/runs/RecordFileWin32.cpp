// The run record file on Windows: the same rules as on POSIX, in Win32 terms. A device
// name (NUL, COM1, \\.\...) is refused before anything is opened, since opening a serial
// port acts on it; appends go through a handle opened for FILE_APPEND_DATA only, which
// Windows writes at the end of the file in one piece.
#ifdef _WIN32

#include <windows.h>

#include <algorithm>
#include <array>
#include <cwctype>
#include <mutex>
#include <optional>
#include <system_error>

#include "runs/RecordFile.h"
#include "runs/RecordLocation.h"
#include "win32/Win32Error.h"

namespace vantrel::runs {
namespace {

namespace fs = std::filesystem;

std::string Why(const fs::path& file, const std::string& what) { return PathText(file) + ": " + what; }
std::string SystemError(const fs::path& file, DWORD error) { return Why(file, Win32ErrorText(error)); }

struct Handle {
    HANDLE h = INVALID_HANDLE_VALUE;
    Handle() = default;
    explicit Handle(HANDLE handle) : h(handle) {}
    Handle(Handle&& other) noexcept : h(other.h) { other.h = INVALID_HANDLE_VALUE; }
    Handle& operator=(Handle&& other) noexcept {
        std::swap(h, other.h);
        return *this;
    }
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    bool Valid() const { return h != INVALID_HANDLE_VALUE; }
};

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

constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

struct Located {
    bool missing = false;
    std::string refusal;
};

Located Locate(const fs::path& file, bool forWriting) {
    if (IsDeviceName(file)) return {false, Why(file, "is a device, not a regular file")};
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return {true, {}};
        return {false, SystemError(file, error)};
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return {false, Why(file, "is a folder, not a regular file")};
    if (attributes & FILE_ATTRIBUTE_DEVICE) return {false, Why(file, "is a device, not a regular file")};
    if (forWriting && (attributes & FILE_ATTRIBUTE_READONLY)) return {false, Why(file, "is read-only")};
    return {};
}

// A handle that is a file on a disk, not a folder, a pipe or a character device.
bool IsRegularFile(HANDLE h) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(h) == FILE_TYPE_DISK && GetFileInformationByHandle(h, &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<Handle> OpenForAppend(const fs::path& file, std::string& problem) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Located at = Locate(file, true);
        if (!at.refusal.empty()) {
            problem = at.refusal;
            return std::nullopt;
        }
        if (at.missing) {
            std::error_code error;
            if (const fs::path folder = file.parent_path(); !folder.empty()) fs::create_directories(folder, error);
            if (error) {
                problem = Why(file.parent_path(), error.message());
                return std::nullopt;
            }
        }
        Handle h(CreateFileW(file.c_str(), FILE_READ_DATA | FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                             kShare, nullptr, at.missing ? CREATE_NEW : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                             nullptr));
        if (!h.Valid()) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_EXISTS) continue;  // another program made it meanwhile: look again
            problem = SystemError(file, error);
            return std::nullopt;
        }
        if (!IsRegularFile(h.h)) {
            problem = Why(file, "is not a regular file");
            return std::nullopt;
        }
        return h;
    }
    problem = Why(file, "keeps changing");
    return std::nullopt;
}

bool SameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    return GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

// As on POSIX: only under a lock taken without waiting (a byte far beyond any record's
// end, so no write is ever kept out), and only if the path still names this file.
void RollIfFull(Handle& h, const fs::path& file, std::uint64_t size, std::size_t adding, std::uint64_t maxBytes) {
    if (size == 0 || size + adding <= maxBytes) return;
    OVERLAPPED beyondRecords{};
    beyondRecords.OffsetHigh = 0x7FFFFFFF;
    if (!LockFileEx(h.h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &beyondRecords)) return;
    Handle named(CreateFileW(file.c_str(), FILE_READ_ATTRIBUTES, kShare, nullptr, OPEN_EXISTING, 0, nullptr));
    const bool same = named.Valid() && SameFile(h.h, named.h);
    named = Handle();
    if (!same || !MoveFileExW(file.c_str(), RolledFile(file).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        UnlockFileEx(h.h, 0, 1, 0, &beyondRecords);
        return;
    }
    UnlockFileEx(h.h, 0, 1, 0, &beyondRecords);
    std::string problem;
    if (std::optional<Handle> fresh = OpenForAppend(file, problem)) h = std::move(*fresh);
}

std::mutex& AppendMutex() {
    static std::mutex mutex;
    return mutex;
}

std::uint64_t SizeOf(HANDLE h) {
    LARGE_INTEGER size{};
    return GetFileSizeEx(h, &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

bool ReadAt(HANDLE h, std::uint64_t offset, char* into, DWORD count, DWORD& got) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return ReadFile(h, into, count, &got, &at) != FALSE;
}

}  // namespace

fs::path RolledFile(const fs::path& file) {
    fs::path rolled = file;
    rolled += L".1";
    return rolled;
}

std::string AppendRecordLine(const fs::path& file, std::string_view line, std::uint64_t maxBytes) {
    const std::lock_guard lock(AppendMutex());
    std::string problem;
    std::optional<Handle> h = OpenForAppend(file, problem);
    if (!h) return problem;
    RollIfFull(*h, file, SizeOf(h->h), line.size(), maxBytes);
    const std::uint64_t size = SizeOf(h->h);

    std::string whole;
    char last = '\n';
    DWORD got = 0;
    if (size > 0 && (!ReadAt(h->h, size - 1, &last, 1, got) || got != 1)) last = '\n';
    if (last != '\n') whole += '\n';  // after a torn line
    whole.append(line);

    DWORD written = 0;
    if (!WriteFile(h->h, whole.data(), static_cast<DWORD>(whole.size()), &written, nullptr))
        return SystemError(file, GetLastError());
    if (written != whole.size()) return Why(file, "the line was written only in part");
    if (!FlushFileBuffers(h->h)) return SystemError(file, GetLastError());
    return {};
}

RecordContents ReadRecordFile(const fs::path& file, std::uint64_t maxBytes) {
    RecordContents contents;
    const Located at = Locate(file, false);
    if (at.missing) {
        contents.kind = RecordContents::Kind::Missing;
        return contents;
    }
    if (!at.refusal.empty()) {
        contents.problem = at.refusal;
        return contents;
    }
    Handle h(CreateFileW(file.c_str(), FILE_READ_DATA | FILE_READ_ATTRIBUTES, kShare, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid() || !IsRegularFile(h.h)) {
        contents.problem = Why(file, "cannot be read");
        return contents;
    }
    const std::uint64_t size = SizeOf(h.h);
    const std::uint64_t from = size > maxBytes ? size - maxBytes : 0;
    std::string& bytes = contents.bytes;
    bytes.resize(static_cast<std::size_t>(size - from));
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1 << 20));
        DWORD got = 0;
        if (!ReadAt(h.h, from + done, bytes.data() + done, chunk, got) || got == 0) break;
        done += got;
    }
    bytes.resize(done);
    if (from > 0) {
        const std::size_t firstEnd = bytes.find('\n');
        bytes.erase(0, firstEnd == std::string::npos ? std::string::npos : firstEnd + 1);
    }
    contents.kind = RecordContents::Kind::Regular;
    return contents;
}

}  // namespace vantrel::runs

#endif
