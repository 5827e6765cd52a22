// The search over COM1..COM4 in normal and emergency mode.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "app/SearchForTavs.h"
#include "support/SimWindow.h"

namespace vantrel::test {
namespace {

using namespace std::chrono_literals;

sim::TavProfile Tav(std::uint8_t replyCode, std::uint8_t major, std::uint8_t minor, int baud = 9600) {
    return {.replyCode = replyCode, .major = major, .minor = minor, .baud = baud};
}

class Search : public ::testing::Test {
protected:
    // Searches with a selection left behind by an earlier one; returns the virtual time.
    // Afterwards no port is open, no cover is left, nothing is selected, Program is disabled.
    Instant Run() {
        w.Option1[0].Value = 1;
        w.ProgramTav.Enabled = true;
        const Instant took = s.Timed([&] { SearchForTavs(w); });
        EXPECT_FALSE(w.MSComm1.PortOpen());
        for (int i = 0; i < 4; ++i) {
            EXPECT_FALSE(w.Blanking[i].Visible) << "row " << i;
            EXPECT_EQ(w.Option1[i].Value, 0) << "row " << i;
        }
        EXPECT_FALSE(w.ProgramTav.Enabled);
        return took;
    }
    // A row shown with `text` (nullptr: the row is hidden).
    void ExpectRow(int i, const char* text, bool selectable = false, float version = 0.0f) {
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_EQ(w.TavType[i].Visible, text != nullptr);
        EXPECT_EQ(w.Option1[i].Visible, text != nullptr);
        if (text) {
            EXPECT_EQ(w.TavType[i].Caption, text);
        }
        EXPECT_EQ(w.Option1[i].Enabled, selectable);
        EXPECT_FLOAT_EQ(w.TavVersion[i], version);
    }

    SimWindow s;
    Bootstrap& w = s.w;
};

TEST_F(Search, OnlyExistingPortsShowARowSelectableOnlyForTheTargetType) {
    s.AttachTav(1, Tav(0x22, 1, 4));
    s.AttachTav(3, Tav(0x66, 2, 15, 19200));
    w.TargetReply = 0x66;
    Run();
    ExpectRow(0, "Tav model 01 1.4", false, 1.4f);
    ExpectRow(1, nullptr);
    ExpectRow(2, "Tav model 05 2.15", true, 3.5f);  // the minor version counts tenths
    ExpectRow(3, nullptr);
}

TEST_F(Search, EmergencyModeListsEveryPortThatOpensWithoutProbing) {
    s.port.SetBusy(1, true);
    s.AttachTav(2, Tav(0x33, 2, 5));
    w.EmergencyMode = VbTrue;
    w.TargetReply = 0x77;
    EXPECT_EQ(Run(), 0ms);
    ExpectRow(0, nullptr);
    ExpectRow(1, "Emergency Comm port 2", true);
    ExpectRow(2, nullptr);
    ExpectRow(3, nullptr);
    EXPECT_TRUE(s.port.SentBytes(2).empty());
}

TEST_F(Search, IrMicroBehindTheTavIsShownOnlyWhenTheLinkStands) {
    sim::TavDevice& tav = s.AttachTav(1, Tav(0x23, 1, 2));
    w.TargetReply = 0x25;
    Run();
    ExpectRow(0, "Tav model 22 3.7", true, 3.7f);
    EXPECT_EQ(w.IrVersionMajor, 3);  // the simulated IR micro is version 3.7
    EXPECT_EQ(w.IrVersionMinor, 7);
    EXPECT_EQ(tav.IdentificationRequests(), 2);  // the second probe, without restart
    EXPECT_EQ(tav.Commands(), (std::vector<std::uint8_t>{51, 153, 119}));

    tav.Profile().linkReplyLength = 3;
    s.dialogs.ExpectBox("Sorry!", "Could not establish communications with IR micro");
    Run();
    ExpectRow(0, "Tav model 20 1.2", false, 1.2f);
    EXPECT_EQ(tav.Links(), 1 + 4);
    EXPECT_EQ(tav.IrRestarts(), 2);  // restarted all the same
}

TEST_F(Search, RtsIsOnForEveryOpeningOnlyWhenTheTargetAnswers99) {
    // Both tavs hear nothing while RTS is off.
    sim::TavFaults needsRts;
    needsRts.rtsRequired = true;
    s.AttachTav(1, Tav(0x99, 5, 1), needsRts);
    s.AttachTav(4, Tav(0x11, 2, 5), needsRts);
    w.TargetReply = 0x99;
    Run();
    ExpectRow(0, "Tav model 08 5.1", true, 5.1f);
    ExpectRow(3, "Tav model 00 2.5", false, 2.5f);

    ASSERT_TRUE(s.port.RTSEnable());  // left on by the search before
    w.TargetReply = 0x11;
    Run();
    ExpectRow(0, "");
    ExpectRow(3, "");
}

#ifndef _WIN32  // the edited table comes as a .reg file
TEST(SearchWithAnEditedTypeTable, ARegeditExportAndAFileWithAGarbledLineNameTheirTavs) {
    const std::string types = "[HKEY_LOCAL_MACHINE\\Software\\Telvar\\Quorvels\\Types]\r\n\"Version\"=dword:00000013\r\n"
                              "[HKEY_LOCAL_MACHINE\\Software\\Telvar\\Quorvels\\Types\\5]\r\n";
    const std::string row = "\"Type\"=dword:00000005\r\n\"Reply\"=dword:00000066\r\n\"BootName\"=\"B5\"\r\n";
    std::string utf16 = "\xFF\xFE";  // regedit's export today
    for (const char c : "Windows Registry Editor Version 5.00\r\n\r\n" + types + row + "\"Name\"=\"M\xFCller \"\r\n")
        utf16 += {c, '\0'};
    const std::vector<std::pair<std::string, std::string>> files = {
        {utf16, "M\xC3\xBCller 2.5"},
        {"REGEDIT4\r\n\r\n" + types + row + "\"Name\"=\"Edited \xE9\r\n\"Name\"=\"Edited five \"\r\n", "Edited five 2.5"},
    };
    for (const auto& [file, shown] : files) {
        SimWindow s(file);
        s.AttachTav(2, Tav(0x66, 2, 5));
        SearchForTavs(s.w);
        EXPECT_EQ(s.w.TavType[1].Caption, shown);
    }
}
#endif

TEST_F(Search, FourSilentPortsTakeFourProbePassesAndNeverMatchAnEmptyTypeRow) {
    // A table loaded from an edited registry may hold empty rows (reply code 0), and a
    // file whose target is unknown leaves TargetReply at 0: "no tav" must not match them.
    w.Types.TypeTable.push_back(TypeRow{});
    w.TargetReply = 0;
    for (int n = 1; n <= 4; ++n) s.port.AddEmptyPort(n);
    // Each: 100 ms break + 9 x (70 ms request + 100 ms wait).
    EXPECT_EQ(Run(), 4 * 1630ms);
    for (int i = 0; i < 4; ++i) ExpectRow(i, "");

    // Nor does a reply of code 0, whatever version it carries: it is no tav.
    s.AttachTav(2, Tav(0x00, 2, 4));
    Run();
    ExpectRow(1, "");
}

TEST_F(Search, ATavPulledDuringItsProbeLeavesAnEmptyRowAndTheSearchGoesOn) {
    s.AttachTav(1, Tav(0x11, 2, 5));
    s.AttachTav(2, Tav(0x22, 1, 9));
    w.TargetReply = 0x22;
    s.pump.Schedule(s.Now() + 50ms, [&] { s.port.Unplug(1); });
    EXPECT_NO_THROW(Run());
    ExpectRow(0, "");
    ExpectRow(1, "Tav model 01 1.9", true, 1.9f);
}

}  // namespace
}  // namespace vantrel::test
