#include "support/ScratchRegistry.h"

#include "registry/RegisterTav.h"

#ifdef _WIN32
#include <windows.h>

#include <atomic>
#include <stdexcept>

#include "registry/WindowsRegistryStore.h"
#else
#include <fstream>

#include "registry/RegFileStore.h"
#endif

namespace vantrel::test {

#ifdef _WIN32

ScratchRegistry::ScratchRegistry(const std::optional<std::string>& contents) {
    if (contents) throw std::logic_error("a .reg file's contents need the file store");
    static std::atomic<unsigned> count{0};
    path_ = "Software\\Vantrel tests\\" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(count++);
    HKEY root = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &root, nullptr) != ERROR_SUCCESS)
        throw std::runtime_error("cannot create the scratch registry key " + path_);
    root_ = root;
    store_ = std::make_unique<WindowsRegistryStore>(root_);
    RegisterTav(*store_).CheckTypeRegistry();
}

ScratchRegistry::~ScratchRegistry() {
    store_.reset();
    RegCloseKey(static_cast<HKEY>(root_));
    RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Vantrel tests");  // only once it is empty
}

#else

namespace {

// The default table as the first start-up wrote it. Writing it costs a locked, synced file
// write, so each store starts from a copy and its start-up only reads.
const std::filesystem::path& DefaultTableFile() {
    static TempDir dir;
    static const std::filesystem::path file = [] {
        const std::filesystem::path path = dir.Path() / "registry.reg";
        RegFileStore store(path);
        RegisterTav types(store);
        types.CheckTypeRegistry();
        return path;
    }();
    return file;
}

}  // namespace

std::filesystem::path CopyOfDefaultRegistry(const std::filesystem::path& dir) {
    const std::filesystem::path file = dir / "registry.reg";
    std::filesystem::copy_file(DefaultTableFile(), file);
    return file;
}

namespace {

std::filesystem::path RegistryIn(const std::filesystem::path& dir, const std::optional<std::string>& contents) {
    if (!contents) return CopyOfDefaultRegistry(dir);
    const std::filesystem::path file = dir / "registry.reg";
    std::ofstream(file, std::ios::binary) << *contents;
    return file;
}

}  // namespace

ScratchRegistry::ScratchRegistry(const std::optional<std::string>& contents)
    : store_(std::make_unique<RegFileStore>(RegistryIn(dir_.Path(), contents))) {}

ScratchRegistry::~ScratchRegistry() = default;

#endif

}  // namespace vantrel::test
