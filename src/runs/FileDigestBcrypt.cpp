// SHA-256 through the Windows cryptography API (bcrypt).
#ifdef _WIN32

#include <windows.h>
#include <bcrypt.h>

#include <memory>
#include <vector>

#include "files/OpenFile.h"
#include "runs/FileDigest.h"

namespace vantrel::runs {
namespace {

struct AlgorithmClose {
    void operator()(void* algorithm) const { BCryptCloseAlgorithmProvider(algorithm, 0); }
};
struct HashDestroy {
    void operator()(void* hash) const { BCryptDestroyHash(hash); }
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
    BCRYPT_ALG_HANDLE algorithmHandle = nullptr;
    if (!Ok(BCryptOpenAlgorithmProvider(&algorithmHandle, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) return std::nullopt;
    const std::unique_ptr<void, AlgorithmClose> algorithm(algorithmHandle);
    BCRYPT_HASH_HANDLE hashHandle = nullptr;
    if (!Ok(BCryptCreateHash(algorithmHandle, &hashHandle, nullptr, 0, nullptr, 0, 0))) return std::nullopt;
    const std::unique_ptr<void, HashDestroy> hash(hashHandle);

    const bool read = files::ReadPieces(file, maxBytes, [&](std::string_view piece) {
        return Ok(BCryptHashData(hashHandle, reinterpret_cast<PUCHAR>(const_cast<char*>(piece.data())),
                                 static_cast<ULONG>(piece.size()), 0));
    });
    if (!read) return std::nullopt;
    std::vector<UCHAR> digest(32);
    if (!Ok(BCryptFinishHash(hashHandle, digest.data(), static_cast<ULONG>(digest.size()), 0))) return std::nullopt;
    return Hex(digest);
}

}  // namespace vantrel::runs

#endif
