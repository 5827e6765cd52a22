// Writes the fuzzer's seed files into the folder named on the command line: good PHX
// files, each kind of damaged one, and the 1024/1025-record limits.

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "sim/PhxWriter.h"

namespace {

using vantrel::sim::PhxFaults;
using vantrel::sim::PhxRecord;

std::vector<PhxRecord> Records(int count, std::uint16_t first) {
    std::vector<PhxRecord> records;
    for (int i = 0; i < count; ++i) {
        PhxRecord r{static_cast<std::uint16_t>(first + 16 * i), {}};
        for (int k = 0; k < 16; ++k) r.data[k] = static_cast<std::uint8_t>(i * 37 + k * 11 + 5);
        records.push_back(r);
    }
    return records;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(dir + "/" + name, std::ios::binary) << text;
    };
    using vantrel::sim::WritePhx;

    write("good.phx", WritePhx("QV 1 ", "2.5", Records(6, 0x0100)));
    write("markers.phx", WritePhx("QV 2#@", "1.0e1", Records(2, 0x0800)));
    write("end-only.phx", WritePhx("QV 3", "0.9", {}));
    write("negative-addresses.phx", WritePhx("QV 4", "3", Records(3, 0xFFD1)));
    write("limit-1024.phx", WritePhx("QV 5", "4.4", Records(1024, 0x3E70)));
    write("limit-1025.phx", WritePhx("QV 5", "4.4", Records(1025, 0x3E70)));
    PhxFaults f;
    f.badChecksumAt = 2;
    write("bad-checksum.phx", WritePhx("QV 6", "1.1", Records(3, 0x0200), f));
    f = {};
    f.missingColonAt = 3;
    write("missing-colon.phx", WritePhx("QV 6", "1.1", Records(3, 0x0200), f));
    f = {};
    f.belowZeroAt = 1;
    write("below-zero.phx", WritePhx("QV 6", "1.1", Records(3, 0x0200), f));
    f = {};
    f.noEndRecord = true;
    write("no-end.phx", WritePhx("QV 6", "1.1", Records(3, 0x0200), f));
    write("short-line.phx", "QV 7\r\n1\r\n" + vantrel::sim::EncipherLines({":1000F000", ":10", ":103E6000"}));
    return 0;
}
