// SHA-256 through OpenSSL's EVP interface.
#ifndef _WIN32

#include <fcntl.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "runs/FileDigest.h"

namespace vantrel::runs {
namespace {

struct DigestContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
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
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
    const Descriptor in{::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (in.fd < 0 || ::fstat(in.fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        static_cast<std::uint64_t>(info.st_size) > maxBytes)
        return std::nullopt;

    const std::unique_ptr<EVP_MD_CTX, DigestContextFree> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return std::nullopt;
    char buffer[65536];
    std::uint64_t total = 0;
    for (;;) {
        const ssize_t got = ::read(in.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        total += static_cast<std::uint64_t>(got);
        if (total > maxBytes) return std::nullopt;  // it grew meanwhile
        if (EVP_DigestUpdate(context.get(), buffer, static_cast<std::size_t>(got)) != 1) return std::nullopt;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1) return std::nullopt;
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
