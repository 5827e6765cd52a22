#pragma once
// The SHA-256 of a file, from the system's own cryptography: OpenSSL's libcrypto on Linux,
// bcrypt on Windows. Only a regular file is opened (a FIFO or a device could block or act).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace vantrel::runs {

// Lower-case hex; none for anything but a readable regular file of at most maxBytes.
std::optional<std::string> Sha256OfFile(const std::filesystem::path& file, std::uint64_t maxBytes);

}  // namespace vantrel::runs
