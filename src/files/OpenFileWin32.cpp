// An open regular file on Windows. Appends go through a handle opened for
// FILE_APPEND_DATA only, which Windows writes at the end of the file in one piece.
#ifdef _WIN32

#include <windows.h>

#include <algorithm>

#include "files/OpenFile.h"
#include "files/Win32Error.h"

namespace vantrel::files {
namespace {

namespace fs = std::filesystem;

constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD kAppendAccess = FILE_READ_DATA | FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
constexpr DWORD kReadAccess = FILE_READ_DATA | FILE_READ_ATTRIBUTES;

std::error_code LastError() { return Win32ErrorCode(GetLastError()); }

// A lock on a byte far beyond any file's end, so that no write is ever kept out.
OVERLAPPED BeyondTheData() {
    OVERLAPPED at{};
    at.OffsetHigh = 0x7FFFFFFF;
    return at;
}

}  // namespace

UniqueHandle OpenFile::OpenExisting(const fs::path& path, Mode mode, std::error_code& error) {
    UniqueHandle h = UniqueHandle::FromCreateFile(CreateFileW(path.c_str(), mode == Mode::Append ? kAppendAccess : kReadAccess,
                                                              kShare, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) error = LastError();
    return h;
}

UniqueHandle OpenFile::CreateNew(const fs::path& path, Refusal& why) {
    std::error_code error;
    if (const fs::path folder = path.parent_path(); !folder.empty()) fs::create_directories(folder, error);
    if (error) {
        why = {Refusal::Reason::SystemError, path.parent_path(), error};
        return {};
    }
    UniqueHandle h = UniqueHandle::FromCreateFile(
        CreateFileW(path.c_str(), kAppendAccess, kShare, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) {
        const DWORD code = GetLastError();
        why = code == ERROR_FILE_EXISTS ? Refusal{Refusal::Reason::KeepsChanging, path, {}}
                                        : Refusal{Refusal::Reason::SystemError, path, Win32ErrorCode(code)};
    }
    return h;
}

// A file on a disk, not a folder, a pipe or a character device.
bool OpenFile::IsRegular() {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(file_.get()) == FILE_TYPE_DISK && GetFileInformationByHandle(file_.get(), &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::error_code OpenFile::Size(std::uint64_t& size) const {
    LARGE_INTEGER got{};
    if (!GetFileSizeEx(file_.get(), &got)) return LastError();
    size = static_cast<std::uint64_t>(got.QuadPart);
    return {};
}

std::error_code OpenFile::ReadAt(std::uint64_t offset, char* into, std::size_t count, std::size_t& got) const {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD n = 0;
    got = 0;
    if (!ReadFile(file_.get(), into, static_cast<DWORD>(std::min<std::size_t>(count, 1 << 20)), &n, &at)) {
        const DWORD error = GetLastError();
        return error == ERROR_HANDLE_EOF ? std::error_code() : Win32ErrorCode(error);
    }
    got = n;
    return {};
}

std::error_code OpenFile::Append(std::string_view bytes, std::size_t& written) {
    DWORD n = 0;
    if (!WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr)) return LastError();
    written = n;
    return {};
}

std::error_code OpenFile::Sync() { return FlushFileBuffers(file_.get()) ? std::error_code() : LastError(); }

bool OpenFile::SizeLimitAllows(std::uint64_t) const { return true; }

bool OpenFile::MayReplace() const {
    const DWORD attributes = GetFileAttributesW(target_.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

bool OpenFile::TryLock() {
    OVERLAPPED at = BeyondTheData();
    return LockFileEx(file_.get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != FALSE;
}

void OpenFile::Unlock() {
    OVERLAPPED at = BeyondTheData();
    UnlockFileEx(file_.get(), 0, 1, 0, &at);
}

bool OpenFile::StillNamed() const {
    const UniqueHandle named = UniqueHandle::FromCreateFile(
        CreateFileW(target_.c_str(), FILE_READ_ATTRIBUTES, kShare, nullptr, OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    return named && GetFileInformationByHandle(file_.get(), &x) && GetFileInformationByHandle(named.get(), &y) &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber && x.nFileIndexHigh == y.nFileIndexHigh &&
           x.nFileIndexLow == y.nFileIndexLow;
}

bool OpenFile::MoveTo(const fs::path& to) {
    return MoveFileExW(target_.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

void OpenFile::KeepModeAndOwnerOf(const OpenFile&) {}

}  // namespace vantrel::files

#endif
