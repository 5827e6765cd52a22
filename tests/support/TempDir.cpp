#include "support/TempDir.h"

#include <random>
#include <stdexcept>
#include <system_error>

namespace vantrel::test {

// Portable mkdtemp: create_directory fails for a name that is already taken, so two
// tests never share a folder.
TempDir::TempDir() {
    std::random_device seed;
    std::mt19937_64 names(seed());
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, "vantrel-test-%012llx",
                      static_cast<unsigned long long>(names() & 0xFFFFFFFFFFFFull));
        std::error_code error;
        if (std::filesystem::create_directory(base / name, error)) {
            path_ = base / name;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace vantrel::test
