// Feeds arbitrary bytes to LoadFirmwareFile as a firmware file and checks that every load
// ends in one of its outcomes: loaded (commands on, no box), or exactly one of its error
// boxes with the commands off. The file lives in memory (memfd), reached by its
// /proc/self/fd path, so no disk is touched. The version text a load leaves in Text2 is
// then read by the row selection as well.

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/Bootstrap.h"
#include "app/Commands.h"
#include "app/LoadFirmwareFile.h"
#include "sim/VirtualPump.h"
#include "sim/VirtualSerialPort.h"

namespace {

using namespace vantrel;

class CountingDialogs : public Dialogs {
public:
    BoxAnswer MsgBox(const std::string& text, BoxStyle, const std::string& title) override {
        boxes.push_back(title + "|" + text);
        return answer;
    }
    std::string ShowOpen(const std::string&, bool) override { return {}; }
    std::vector<std::string> boxes;
    BoxAnswer answer = BoxAnswer::Ok;
};

// No registry at all: the built-in type table is used.
class NoRegistry : public RegistryStore {
public:
    RegResult OpenKey(const std::string&, RegKey&) override { return kRegNotFound; }
    RegResult OpenKeyForEnumeration(const std::string&, RegKey&) override { return kRegNotFound; }
    RegResult EnumKey(RegKey, std::uint32_t, std::string&, std::uint32_t) override { return kRegNotFound; }
    RegResult CreateKey(const std::string&, RegKey&) override { return kRegNotFound; }
    RegResult SetValue(RegKey, const std::string&, RegType, const std::vector<std::uint8_t>&) override {
        return kRegNotFound;
    }
    RegResult QueryValue(RegKey, const std::string&, RegType&, std::vector<std::uint8_t>&, std::uint32_t,
                         std::uint32_t&) override {
        return kRegNotFound;
    }
    RegResult CloseKey(RegKey) override { return kRegSuccess; }
};

struct Rig {
    Rig() {
        fd = memfd_create("phx", 0);
        if (fd < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        path = "/proc/self/fd/" + std::to_string(fd);
        Form_Load(w);
        w.Types.BuildDefaultTypes();
    }
    void Write(const std::uint8_t* data, std::size_t size) {
        if (ftruncate(fd, 0) != 0) std::abort();
        std::size_t done = 0;
        while (done < size) {
            const ssize_t n = pwrite(fd, data + done, size - done, static_cast<off_t>(done));
            if (n <= 0) std::abort();
            done += static_cast<std::size_t>(n);
        }
    }

    int fd = -1;
    std::string path;
    NoRegistry registry;
    sim::VirtualPump pump;
    sim::VirtualSerialPort port{pump};
    CountingDialogs dialogs;
    Bootstrap w{port, pump, dialogs, registry};
};

bool IsLoaderBox(std::string_view box) {
    for (std::string_view prefix : {"Error!|Cannot open Hex file", "Error!|Missing : on line_count ",
                                    "Error!|Checksum error on line_count ", "Error!|Error fallen of end of file on "})
        if (box.substr(0, prefix.size()) == prefix) return true;
    return false;
}

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "loader outcome broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Rig rig;
    Bootstrap& w = rig.w;
    rig.Write(data, size);
    rig.dialogs.boxes.clear();

    LoadFirmwareFile(w, rig.path);

    Check(rig.dialogs.boxes.size() <= 1, "more than one box");
    Check(w.RecordCount >= 0 && w.RecordCount <= 1025, "record count out of range");
    Check(w.KeyPos >= 0 && w.KeyPos <= 60, "key position out of range");  // 0 until a data line is read
    Check(!w.ProgramTav.Enabled, "Program enabled by a load");
    if (rig.dialogs.boxes.empty()) {
        Check(w.search.Enabled && w.Emergency.Enabled, "good load without the commands");
        Check(w.RecordCount <= 1024, "good load with an overfull image");
    } else {
        Check(IsLoaderBox(rig.dialogs.boxes[0]), "unknown box");
        Check(!w.search.Enabled && !w.Emergency.Enabled, "failed load with the commands on");
    }

    // The selection reads the version text the file put into Text2.
    w.TavVersion[1] = 2.5f;
    w.TavType[1].Caption = "Quorvel 2.5";
    rig.dialogs.answer = BoxAnswer::Cancel;
    Option1_Click(w, 1);
    rig.dialogs.answer = BoxAnswer::Ok;
    return 0;
}
