#include "support/SimWindow.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace vantrel::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "vantrel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary directory");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

namespace {

// The default table as the first start-up wrote it. Writing it costs a locked, synced file write, so
// each window starts from a copy and its start-up only reads.
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

SimWindow::SimWindow(const std::optional<std::string>& registryFile)
    : registry_(RegistryIn(dir_.Path(), registryFile)), w(port, pump, dialogs, registry_) {
    Form_Load(w);
}

sim::TavDevice& SimWindow::AttachTav(int comPort, sim::TavProfile profile, sim::TavFaults faults) {
    sim::TavDevice& tav = tavs_.emplace_back(std::move(profile), faults);
    port.AttachTav(comPort, tav);
    return tav;
}

std::string SimWindow::NameOfReply(std::uint8_t reply) const {
    for (const TypeRow& row : w.Types.TypeTable)
        if (row.Reply == reply) return row.Name;
    return {};
}

}  // namespace vantrel::test
