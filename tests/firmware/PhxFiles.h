#pragma once
// Firmware files for the loader tests: non-repeating records, files in a temporary folder,
// and a window on virtual time to load them into.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/PhxWriter.h"
#include "support/SimWindow.h"

namespace vantrel::test {

// `count` records at ascending byte addresses from `firstByteAddress`, every data byte
// different from its neighbours and from the same byte of the other records.
std::vector<sim::PhxRecord> MakeRecords(int count, std::uint16_t firstByteAddress = 0x3E70);

// The plain record text of the end record (byte address 3E60).
std::string EndRecordLine();

class LoaderTest : public ::testing::Test {
protected:
    // Writes the file (bytes exactly as given) and returns its path.
    std::string WriteFile(const std::string& contents, const std::string& name = "firmware.phx");
    // Writes the file and loads it as the command-line load does.
    void Load(const std::string& contents);
    // The two header lines and the plain data lines enciphered after them.
    static std::string Phx(const std::string& target, const std::string& version,
                           const std::vector<std::string>& plainLines);

    // Every stored record matches the file's records, in order.
    void ExpectImage(const std::vector<sim::PhxRecord>& records);
    // The display after an outcome that leaves the tav commands off and the rows hidden.
    void ExpectCommandsOff();
    void ExpectBoxStyle(BoxStyle style);

    // A type the default table knows, by its file name.
    std::string KnownTarget() const { return w.Types.TypeTable.at(3).BootName; }
    std::uint8_t KnownReply() const { return w.Types.TypeTable.at(3).Reply; }

    TempDir dir;
    SimWindow sim;
    Bootstrap& w = sim.w;
    ScriptedDialogs& dialogs = sim.dialogs;
};

}  // namespace vantrel::test
