// Files that load: the image, the header texts, the target lookup, the end record.

#include <gtest/gtest.h>

#include "PhxFiles.h"
#include "firmware/LoadFirmwareFile.h"

namespace vantrel::test {
namespace {

using sim::RecordLine;

TEST_F(LoaderTest, GoodFileFillsImageEnablesCommandsAndSearches) {
    const auto records = MakeRecords(5, 0x0100);
    w.TavType[2].Caption = "left from before";  // the search empties every row
    w.TavVersion[2] = 3.5f;
    w.ProgressBar1.Value = 420;

    Load(sim::WritePhx(KnownTarget(), "2.5", records));

    EXPECT_TRUE(dialogs.Shown().empty());
    EXPECT_EQ(w.Text1.Caption, KnownTarget());
    EXPECT_EQ(w.Text2.Caption, "Version 2.5");
    EXPECT_TRUE(w.search.Enabled);
    EXPECT_TRUE(w.Emergency.Enabled);
    EXPECT_FALSE(w.ProgramTav.Enabled);
    EXPECT_EQ(w.TargetReply, KnownReply());
    ExpectImage(records);
    EXPECT_EQ(w.Records[5].WordAddress, 0x1F30);  // the end record's address took the next slot
    EXPECT_EQ(w.ProgressBar1.Value, 420);
    EXPECT_EQ(w.TavType[2].Caption, "");
    EXPECT_EQ(w.TavVersion[2], 0.0f);
}

TEST_F(LoaderTest, OpenFileDialogChoosesTheFile) {
    const auto records = MakeRecords(3);
    dialogs.ExpectOpen(WriteFile(sim::WritePhx(KnownTarget(), "V7 beta", records)));
    LoadFirmwareFile(w, "");
    EXPECT_EQ(dialogs.LastFilter(), "PHX (*.PHX)| *.phx");
    EXPECT_EQ(w.Text2.Caption, "Version V7 beta");
    EXPECT_TRUE(w.search.Enabled);
    ExpectImage(records);
}

TEST_F(LoaderTest, SearchAfterLoadKeepsTheEmergencyMode) {
    sim.port.AddEmptyPort(2);
    w.EmergencyMode = VbTrue;
    Load(sim::WritePhx(KnownTarget(), "1.0", MakeRecords(1)));
    EXPECT_EQ(w.EmergencyMode, VbTrue);
    EXPECT_EQ(w.TavType[1].Caption, "Emergency Comm port 2");
}

TEST_F(LoaderTest, EndRecordAloneLoadsAnEmptyImage) {
    w.RecordCount = 77;
    Load(Phx(KnownTarget(), "3.1", {EndRecordLine()}));
    EXPECT_EQ(w.RecordCount, 0);
    EXPECT_TRUE(w.search.Enabled);
    EXPECT_TRUE(w.Emergency.Enabled);
}

TEST_F(LoaderTest, EveryAddressHalvingToWord1F30EndsTheData) {
    const auto records = MakeRecords(2);
    for (std::uint16_t end : {0x3E5F, 0x3E60, 0x3E61}) {
        // What follows the end record is never read, so it may be anything.
        Load(Phx(KnownTarget(), "1.1", {RecordLine(records[0]), RecordLine(records[1]), RecordLine({end, {}})}) +
             std::string("\x01\x00 below every key\r\n\xFF", 21));
        EXPECT_TRUE(dialogs.Shown().empty()) << std::hex << end;
        EXPECT_TRUE(w.search.Enabled) << std::hex << end;
        ExpectImage(records);
    }

    // Their neighbours are data records like any other.
    sim::PhxRecord before{0x3E5E, records[0].data}, after{0x3E62, records[1].data};
    Load(Phx(KnownTarget(), "1.1", {RecordLine(before), RecordLine(after), EndRecordLine()}));
    ASSERT_EQ(w.RecordCount, 2);
    EXPECT_EQ(w.Records[0].WordAddress, 0x1F2F);
    EXPECT_EQ(w.Records[1].WordAddress, 0x1F31);
}

TEST_F(LoaderTest, AddressesAreSignedAndHalvedTiesToEven) {
    const std::vector<std::pair<std::uint16_t, std::int16_t>> cases{
        {0x0001, 0}, {0x0003, 2}, {0x0005, 2}, {0x7FFF, 16384},
        {0x8000, -16384}, {0xFFFF, 0}, {0xFFFD, -2}, {0xFFFB, -2}, {0xC001, -8192}};
    std::vector<std::string> lines;
    const auto records = MakeRecords(static_cast<int>(cases.size()));
    for (std::size_t i = 0; i < cases.size(); ++i) lines.push_back(RecordLine({cases[i].first, records[i].data}));
    lines.push_back(EndRecordLine());

    Load(Phx(KnownTarget(), "1.2", lines));
    ASSERT_EQ(w.RecordCount, static_cast<int>(cases.size()));
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(w.Records[i].WordAddress, cases[i].second) << std::hex << cases[i].first;
        EXPECT_EQ(w.Records[i].Data, records[i].data);
    }
}

TEST_F(LoaderTest, ThousandTwentyFourRecordsFitTheImage) {
    const auto records = MakeRecords(1024);
    Load(sim::WritePhx(KnownTarget(), "9.9", records));
    EXPECT_TRUE(dialogs.Shown().empty());
    EXPECT_TRUE(w.search.Enabled);
    ExpectImage(records);
    EXPECT_EQ(w.Records[1024].WordAddress, 0x1F30);
}

TEST_F(LoaderTest, TargetMarkersAreTakenOff) {
    const std::string n = KnownTarget();
    const std::vector<std::pair<std::string, std::string>> cases{
        {n + "#", n}, {n + "@", n}, {n + "@#", n}, {n + "#@", n + "#"}, {"A#B", "A#"}, {"A@B@", "A@B"}};
    for (const auto& [line, shown] : cases) {
        Load(sim::WritePhx(line, "1.0", MakeRecords(1)));
        EXPECT_EQ(w.Text1.Caption, shown) << line;
    }
    // With the markers off, the name is found.
    Load(sim::WritePhx(n + "@#", "1.0", MakeRecords(1)));
    EXPECT_EQ(w.TargetReply, KnownReply());
}

TEST_F(LoaderTest, TargetIsLookedUpExactlyAndTheFirstRowWins) {
    w.Types.TypeTable = {
        {1, 0x31, "First", "QV10"}, {2, 0x32, "Second", "QV10"},
        {3, 0x33, "Lower", "qv10"}, {4, 0x34, "Marked", "QV10#"}};
    const std::vector<std::pair<std::string, std::uint8_t>> cases{
        {"QV10", 0x31}, {"qv10", 0x33}, {"QV10#@", 0x34}, {"QV10##", 0x34}};
    for (const auto& [line, reply] : cases) {
        w.TargetReply = 0x99;
        Load(sim::WritePhx(line, "1.0", MakeRecords(1)));
        EXPECT_EQ(w.TargetReply, reply) << line;
    }
}

TEST_F(LoaderTest, UnknownTargetLoadsButMatchesNoTav) {
    Load(sim::WritePhx(KnownTarget(), "1.0", MakeRecords(2)));
    ASSERT_EQ(w.TargetReply, KnownReply());
    ASSERT_NE(KnownReply(), 0);

    // A file for a type the table does not know must not inherit the previous file's
    // type: no tav identifies with reply code 0.
    for (const std::string& line : {KnownTarget() + "x", std::string("QV-UNKNOWN"), std::string()}) {
        w.TargetReply = KnownReply();
        Load(sim::WritePhx(line, "1.0", MakeRecords(2)));
        EXPECT_TRUE(dialogs.Shown().empty());
        EXPECT_TRUE(w.search.Enabled);
        EXPECT_EQ(w.Text1.Caption, line);
        EXPECT_EQ(w.TargetReply, 0) << line;
    }
}

}  // namespace
}  // namespace vantrel::test
