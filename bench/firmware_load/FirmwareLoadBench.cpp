// Measures LoadFirmwareFile on real files: median and worst of repeated loads of a
// 1024-record file, and one load of a file whose end record line runs on for 8 MiB.
// The search that follows a good load finds no port here, so it adds next to nothing.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/Bootstrap.h"
#include "app/LoadFirmwareFile.h"
#include "registry/RegFileStore.h"
#include "sim/PhxWriter.h"
#include "sim/VirtualPump.h"
#include "sim/VirtualSerialPort.h"

namespace {

using namespace vantrel;

class SilentDialogs : public Dialogs {
public:
    BoxAnswer MsgBox(const std::string& text, BoxStyle, const std::string&) override {
        std::fprintf(stderr, "unexpected box: %s\n", text.c_str());
        std::exit(1);
    }
    std::string ShowOpen(const std::string&, bool) override { return {}; }
};

std::vector<sim::PhxRecord> Records(int count) {
    std::vector<sim::PhxRecord> records;
    for (int i = 0; i < count; ++i) {
        sim::PhxRecord r{static_cast<std::uint16_t>(0x4000 + 16 * i), {}};
        for (int k = 0; k < 16; ++k) r.data[k] = static_cast<std::uint8_t>(i * 31 + k * 7);
        records.push_back(r);
    }
    return records;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

int main() {
    char pattern[] = "/tmp/vantrel-firmware-bench-XXXXXX";
    if (!mkdtemp(pattern)) return 1;
    const std::filesystem::path dir = pattern;

    RegFileStore registry(dir / "registry.reg");
    sim::VirtualPump pump;
    sim::VirtualSerialPort port(pump);
    SilentDialogs dialogs;
    Bootstrap w(port, pump, dialogs, registry);
    Form_Load(w);
    const std::string target = w.Types.TypeTable.at(0).BootName;

    const std::string full = (dir / "full.phx").string();
    std::ofstream(full, std::ios::binary) << sim::WritePhx(target, "2.5", Records(1024));

    std::vector<double> times;
    for (int run = 0; run < 200; ++run) {
        const auto start = std::chrono::steady_clock::now();
        LoadFirmwareFile(w, full);
        times.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
        if (w.RecordCount != 1024) return 1;
    }
    std::sort(times.begin(), times.end());
    std::printf("1024-record file (%ju bytes), 200 loads: median %.3f ms, worst %.3f ms\n",
                static_cast<std::uintmax_t>(std::filesystem::file_size(full)), times[times.size() / 2], times.back());

    // The end record followed by 8 MiB of text on the same line: every character is
    // deciphered, none is kept.
    std::string text = sim::WritePhx(target, "2.5", Records(4));
    text.resize(text.size() - 2);
    // Enciphered from key position 1: whatever position they meet, they decipher to some
    // character (never below zero), and the line stays one line.
    text += sim::EncipherLines({std::string(8 << 20, 'x')}).substr(0, 8 << 20);
    const std::string longLine = (dir / "long-line.phx").string();
    std::ofstream(longLine, std::ios::binary) << text;
    const auto start = std::chrono::steady_clock::now();
    LoadFirmwareFile(w, longLine);
    std::printf("file with an 8 MiB line: %.1f ms\n", Milliseconds(std::chrono::steady_clock::now() - start));

    std::filesystem::remove_all(dir);
    return w.RecordCount == 4 ? 0 : 1;
}
