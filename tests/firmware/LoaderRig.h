#pragma once
// Firmware files for the loader tests: non-repeating records, files in a temporary folder,
// and a window on virtual time to load them into.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "app/LoadFirmwareFile.h"
#include "sim/PhxWriter.h"
#include "support/SimWindow.h"

namespace vantrel::test {

// `count` records at ascending byte addresses, every data byte different from its
// neighbours and from the same byte of the other records.
inline std::vector<sim::PhxRecord> MakeRecords(int count, std::uint16_t firstByteAddress = 0x3E70) {
    std::vector<sim::PhxRecord> records;
    for (int i = 0; i < count; ++i) {
        records.push_back({static_cast<std::uint16_t>(firstByteAddress + 16 * i), {}});
        for (int k = 0; k < 16; ++k)
            records.back().data[k] = static_cast<std::uint8_t>(((i * 16 + k) * 2654435761u) >> 24 ^ (i >> 3));
    }
    return records;
}

class LoaderTest : public ::testing::Test {
protected:
    // Loads the file as the command-line load does; it must show this one error box, or
    // none when `box` is empty.
    void Load(const std::string& contents, const std::string& box = "") {
        if (!box.empty()) dialogs.ExpectBox("Error!", box);
        const std::string path = (dir.Path() / "firmware.phx").string();
        std::ofstream(path, std::ios::binary) << contents;
        LoadFirmwareFile(w, path);
        dialogs.VerifyAndClear();
        if (!box.empty()) { EXPECT_EQ(dialogs.Shown().back().style, BoxStyle::OkExclamation); }
    }
    // The two header lines and the plain data lines enciphered after them.
    static std::string Phx(const std::string& target, const std::vector<std::string>& plainLines) {
        return target + "\r\n1.0\r\n" + sim::EncipherLines(plainLines);
    }
    static std::string EndRecord() { return sim::RecordLine({0x3E60, {}}); }

    // The stored records are the file's, in order.
    void ExpectImage(const std::vector<sim::PhxRecord>& records, std::size_t count) {
        ASSERT_EQ(w.RecordCount, static_cast<int>(count));
        for (std::size_t i = 0; i < count; ++i) {
            EXPECT_EQ(w.Records[i].WordAddress, records[i].byteAddress / 2) << "record " << i;
            EXPECT_EQ(w.Records[i].Data, records[i].data) << "record " << i;
        }
    }
    // Search and Emergency on after a good load; off, with the result rows hidden, otherwise.
    void ExpectCommands(bool on) {
        EXPECT_EQ(w.search.Enabled, on);
        EXPECT_EQ(w.Emergency.Enabled, on);
        EXPECT_FALSE(w.ProgramTav.Enabled);
        for (int i = 0; i < 4 && !on; ++i) {
            EXPECT_FALSE(w.Option1[i].Visible) << "row " << i;
            EXPECT_FALSE(w.TavType[i].Visible) << "row " << i;
        }
    }

    // A type the default table knows, by its file name.
    std::string KnownTarget() const { return w.Types.TypeTable.at(3).BootName; }
    std::uint8_t KnownReply() const { return w.Types.TypeTable.at(3).Reply; }

    TempDir dir;
    SimWindow sim;
    Bootstrap& w = sim.w;
    ScriptedDialogs& dialogs = sim.dialogs;
};

}  // namespace vantrel::test
