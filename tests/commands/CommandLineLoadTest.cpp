// The deferred load of the file named on the command line.

#include <gtest/gtest.h>

#include <fstream>

#include "app/Commands.h"
#include "sim/PhxWriter.h"
#include "support/SimWindow.h"

namespace vantrel::test {
namespace {

class CommandLineLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = (dir.Path() / "tav firmware.phx").string();
        sim::PhxRecord record{0x0400, {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE,
                                       0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF}};
        std::ofstream(path, std::ios::binary) << sim::WritePhx(w.Types.TypeTable.at(0).BootName, "3.3", {record});
    }
    // Starts the deferred load as the timer does, with this command line.
    void Fire(const std::string& commandLine) {
        w.CommandLine = commandLine;
        w.Timer2.SetEnabled(true);
        Timer2_Timer(w);
        EXPECT_FALSE(w.Timer2.Enabled());
    }
    bool Loaded() const { return w.search.Enabled && w.Text2.Caption == "Version 3.3" && w.RecordCount == 1; }

    TempDir dir;
    std::string path;
    SimWindow sim;
    Bootstrap& w = sim.w;
};

TEST_F(CommandLineLoadTest, QuotesAroundThePathAreRemoved) {
    for (const std::string& line : {path, "\"" + path + "\"", "\"" + path}) {
        w.RecordCount = 0;
        Fire(line);
        EXPECT_TRUE(Loaded()) << line;
    }
}

TEST_F(CommandLineLoadTest, OnlyTheOuterQuotesGo) {
    // A trailing quote alone goes as well; a second leading quote stays and the path fails.
    sim.dialogs.ExpectBox("Error!", "Cannot open Hex file");
    Fire("\"\"" + path + "\"");
    EXPECT_FALSE(w.search.Enabled);

    Fire(path + "\"");
    EXPECT_TRUE(Loaded());
}

TEST_F(CommandLineLoadTest, SingleQuoteAsksForTheFile) {
    sim.dialogs.ExpectOpen("");
    Fire("\"");
    EXPECT_EQ(sim.dialogs.LastFilter(), "PHX (*.PHX)| *.phx");
}

TEST_F(CommandLineLoadTest, FurtherArgumentsMakeItAnUnopenableFile) {
    sim.dialogs.ExpectBox("Error!", "Cannot open Hex file");
    Fire("\"" + path + "\" /quiet");
    EXPECT_EQ(w.Text1.Caption, "");
    EXPECT_FALSE(w.search.Enabled);
    EXPECT_FALSE(w.Emergency.Enabled);
}

TEST_F(CommandLineLoadTest, EmergencyModeIsLeftAsItIs) {
    w.EmergencyMode = VbTrue;
    Fire(path);
    EXPECT_EQ(w.EmergencyMode, -1);
    w.EmergencyMode = VbFalse;
    Fire(path);
    EXPECT_EQ(w.EmergencyMode, 0);
}

}  // namespace
}  // namespace vantrel::test
