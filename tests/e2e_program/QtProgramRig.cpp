#include "QtProgramRig.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vantrel::test {
namespace {

std::string RegistryPath(const QTemporaryDir& dir) { return (dir.path() + "/registry.reg").toStdString(); }

}  // namespace

QtProgramRig::QtProgramRig(Dialogs& dialogs)
    : registry_(RegistryPath(dir_)), w(port_, pump_, dialogs, registry_) {
    if (!dir_.isValid()) throw std::runtime_error("no temporary directory");
    for (int n = 1; n <= 4; ++n) PointComAt(n, Path("absent-COM" + std::to_string(n)));
    Form_Load(w);
}

void QtProgramRig::PointComAt(int n, const std::string& device) {
    setenv(("VANTREL_COM" + std::to_string(n)).c_str(), device.c_str(), 1);
}

std::string QtProgramRig::Path(const std::string& name) const { return (dir_.path() + "/").toStdString() + name; }

std::string QtProgramRig::WriteFile(const std::string& name, const std::string& content) const {
    const std::string path = Path(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

std::string QtProgramRig::BootNameOf(std::uint8_t reply) const {
    for (const TypeRow& row : w.Types.TypeTable)
        if (row.Reply == reply) return row.BootName;
    throw std::runtime_error("no type row for this reply code");
}

std::vector<sim::PhxRecord> SampleRecords() {
    std::ifstream in(VANTREL_SAMPLE_HEX, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return sim::RecordsFromIntelHex(text.str());
}

std::vector<ReportedRecord> ArrivalsOf(const std::vector<sim::PhxRecord>& records) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::vector<ReportedRecord> out;
    for (auto r = records.rbegin(); r != records.rend(); ++r) {
        std::string hex;
        for (std::uint8_t b : r->data) {
            hex += kDigits[b >> 4];
            hex += kDigits[b & 0x0F];
        }
        out.push_back({r->byteAddress / 2, hex});
    }
    return out;
}

}  // namespace vantrel::test
