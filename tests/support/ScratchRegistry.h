#pragma once
// A registry store of a test's own that holds the default type table (version 19), gone
// with it. Elsewhere than Windows: a copy of a .reg file in a temporary folder. On
// Windows: the Windows store itself, rooted at a scratch key below HKEY_CURRENT_USER that
// stands in for HKEY_LOCAL_MACHINE, so that suites running side by side never meet.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "registry/RegistryStore.h"
#include "support/TempDir.h"

namespace vantrel::test {

class ScratchRegistry {
public:
    // contents: a .reg file to start from instead of the default table (a file store's
    // matter: not on Windows).
    explicit ScratchRegistry(const std::optional<std::string>& contents = std::nullopt);
    ~ScratchRegistry();
    ScratchRegistry(const ScratchRegistry&) = delete;
    ScratchRegistry& operator=(const ScratchRegistry&) = delete;

    RegistryStore& Store() { return *store_; }
    operator RegistryStore&() { return *store_; }

private:
#ifdef _WIN32
    std::string path_;      // below HKEY_CURRENT_USER
    void* root_ = nullptr;  // HKEY
#else
    TempDir dir_;
#endif
    std::unique_ptr<RegistryStore> store_;
};

#ifndef _WIN32
// Copies a registry file holding the default type table (version 19) into dir; returns
// its path. Cheaper than letting every start-up write the table afresh.
std::filesystem::path CopyOfDefaultRegistry(const std::filesystem::path& dir);
#endif

}  // namespace vantrel::test
