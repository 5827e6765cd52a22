// Writes the fuzzers' seed files into the folders named on the command line: for the
// firmware loader good PHX files, each kind of damaged one, and the 1024/1025-record
// limits; for the .reg reader type tables in each format regedit writes, and damaged ones.

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
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <PHX seed folder> <.reg seed folder>\n", argv[0]);
        return 2;
    }
    std::string dir = argv[1];
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

    dir = argv[2];
    const std::string types = "[HKEY_LOCAL_MACHINE\\Software\\Telvar\\Quorvels\\Types]\r\n";
    const std::string table = types + "\"Version\"=dword:00000013\r\n\r\n" +
                              "[HKEY_LOCAL_MACHINE\\Software\\Telvar\\Quorvels\\Types\\0]\r\n"
                              "\"Name\"=\"Tav model 00 \"\r\n\"BootName\"=\"Tav \\\"00\\\"\"\r\n"
                              "\"Type\"=dword:00000000\r\n\"Reply\"=dword:00000011\r\n\r\n"
                              "[HKEY_LOCAL_MACHINE\\Software\\Telvar\\Quorvels\\Types\\40]\r\n"
                              "@=\"\"\r\n\"Name\"=hex(1):41,0d,0a,42,00\r\n\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,"
                              "0d,0e,0f,10,11,12,13,\\\r\n  14,15,16,17\r\n\"Type\"=hex(4):28,00,00,00\r\n\r\n";
    write("regedit4.reg", "REGEDIT4\r\n\r\n" + table);
    write("version5-utf8.reg", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n" + table);
    std::string utf16 = "\xFF\xFE";
    for (const char c : "Windows Registry Editor Version 5.00\r\n\r\n" + table + "@=\"M\xFCller\"\r\n") utf16 += {c, '\0'};
    write("version5-utf16.reg", utf16);
    write("damaged.reg", "REGEDIT4\n\"Version\"=dword:13\n" + types + "\"Version\"=dword:1g\n\"Name\"=\"a\\tb\"\n[oops\n"
                         "\"Type\"=hex:01,\\\n[-HKEY_LOCAL_MACHINE\\Software]\n\"x\"=-\n");
    return 0;
}
