// SHA-256 through the Windows cryptography API (bcrypt).
#ifdef _WIN32

#include <windows.h>
#include <bcrypt.h>

#include <memory>
#include <vector>

#include "runs/FileDigest.h"

namespace vantrel::runs {
namespace {

struct AlgorithmClose {
    void operator()(void* algorithm) const { BCryptCloseAlgorithmProvider(algorithm, 0); }
};
struct HashDestroy {
    void operator()(void* hash) const { BCryptDestroyHash(hash); }
};
struct HandleClose {
    void operator()(void* h) const { CloseHandle(h); }
};

bool Ok(NTSTATUS status) { return status >= 0; }

std::string Hex(const std::vector<UCHAR>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (UCHAR b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

}  // namespace

std::optional<std::string> Sha256OfFile(const std::filesystem::path& file, std::uint64_t maxBytes) {
    const DWORD attributes = GetFileAttributesW(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)))
        return std::nullopt;
    HANDLE opened = CreateFileW(file.c_str(), FILE_READ_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return std::nullopt;
    const std::unique_ptr<void, HandleClose> in(opened);
    LARGE_INTEGER size{};
    if (GetFileType(opened) != FILE_TYPE_DISK || !GetFileSizeEx(opened, &size) ||
        static_cast<std::uint64_t>(size.QuadPart) > maxBytes)
        return std::nullopt;

    BCRYPT_ALG_HANDLE algorithmHandle = nullptr;
    if (!Ok(BCryptOpenAlgorithmProvider(&algorithmHandle, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) return std::nullopt;
    const std::unique_ptr<void, AlgorithmClose> algorithm(algorithmHandle);
    BCRYPT_HASH_HANDLE hashHandle = nullptr;
    if (!Ok(BCryptCreateHash(algorithmHandle, &hashHandle, nullptr, 0, nullptr, 0, 0))) return std::nullopt;
    const std::unique_ptr<void, HashDestroy> hash(hashHandle);

    std::vector<UCHAR> buffer(65536);
    std::uint64_t total = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(opened, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) return std::nullopt;
        if (got == 0) break;
        total += got;
        if (total > maxBytes) return std::nullopt;
        if (!Ok(BCryptHashData(hashHandle, buffer.data(), got, 0))) return std::nullopt;
    }
    std::vector<UCHAR> digest(32);
    if (!Ok(BCryptFinishHash(hashHandle, digest.data(), static_cast<ULONG>(digest.size()), 0))) return std::nullopt;
    return Hex(digest);
}

}  // namespace vantrel::runs

#endif
