// SHA-256 through OpenSSL's EVP interface.
#ifndef _WIN32

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include <memory>

#include "files/OpenFile.h"
#include "runs/FileDigest.h"

namespace vantrel::runs {
namespace {

struct DigestContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

std::string Hex(const unsigned char* bytes, unsigned length) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (unsigned i = 0; i < length; ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0x0F];
    }
    return text;
}

std::optional<std::string> Sha256Of(const std::filesystem::path& file, std::uint64_t maxBytes) {
    const std::unique_ptr<EVP_MD_CTX, DigestContextFree> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return std::nullopt;
    const bool read = files::ReadPieces(file, maxBytes, [&](std::string_view piece) {
        return EVP_DigestUpdate(context.get(), piece.data(), piece.size()) == 1;
    });
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (!read || EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return std::nullopt;
    return Hex(digest, length);
}

}  // namespace

std::optional<std::string> Sha256OfFile(const std::filesystem::path& file, std::uint64_t maxBytes) {
    std::optional<std::string> digest = Sha256Of(file, maxBytes);
    // A gang run digests on a port thread that ends soon after. OpenSSL frees a thread's
    // own state in the thread's exit hook, which may run after whoever waited for the
    // thread has gone on; a program ending then exits first and the state is lost. Free
    // it now: the next digest on this thread sets it up again.
    OPENSSL_thread_stop();
    return digest;
}

}  // namespace vantrel::runs

#endif
