// Loads that do not succeed: the cancelled dialog, the open failure, the record error and
// the data-line failure, each with its message and the window it leaves.

#include <gtest/gtest.h>

#include "PhxFiles.h"
#include "firmware/LoadFirmwareFile.h"

namespace vantrel::test {
namespace {

using sim::PhxFaults;

std::string CrOnly(std::string text) {
    std::erase(text, '\n');
    return text;
}

// A good file loaded first, so that what a failed load keeps and what it drops shows.
class FailedLoadTest : public LoaderTest {
protected:
    void SetUp() override {
        Load(sim::WritePhx(KnownTarget(), "1.0", earlier));
        ASSERT_EQ(w.RecordCount, 3);
        w.ProgressBar1.Value = 730;
    }
    // Loads the file, which must end with this one error box.
    void LoadFailing(const std::string& contents, const std::string& text) {
        const std::size_t before = dialogs.Shown().size();
        dialogs.ExpectBox("Error!", text);
        Load(contents);
        dialogs.VerifyAndClear();
        EXPECT_EQ(dialogs.Shown().size(), before + 1);
        ExpectBoxStyle(BoxStyle::OkExclamation);
    }
    void ExpectEarlierImageKept() { ExpectImage(earlier); }
    const std::vector<sim::PhxRecord> earlier = MakeRecords(3, 0x0200);
};

TEST_F(FailedLoadTest, CancelledDialogResetsTheDisplaySilently) {
    dialogs.ExpectOpen("");
    LoadFirmwareFile(w, "");
    EXPECT_TRUE(dialogs.Shown().empty());
    EXPECT_EQ(w.Text1.Caption, "");
    EXPECT_EQ(w.Text2.Caption, "");
    ExpectCommandsOff();
    ExpectEarlierImageKept();
    EXPECT_EQ(w.TargetReply, KnownReply());
    EXPECT_EQ(w.ProgressBar1.Value, 730);
}

TEST_F(FailedLoadTest, FileThatCannotServeIsCannotOpen) {
    const std::vector<std::pair<std::string, std::string>> files{
        {"empty", ""},
        {"one line", KnownTarget() + "\r\n"},
        {"one line without end", KnownTarget()},
        {"CR line ends only", "QV10\r2.5\r" + CrOnly(sim::EncipherLines({EndRecordLine()}))},
        {"header line of 64 KiB and more", std::string(65537, 'T') + "\r\n1.0\r\n"},
    };
    for (const auto& [name, contents] : files) {
        SetUp();
        LoadFailing(contents, "Cannot open Hex file");
        EXPECT_EQ(w.Text1.Caption, "") << name;
        EXPECT_EQ(w.Text2.Caption, "") << name;
        ExpectCommandsOff();
        ExpectEarlierImageKept();
        EXPECT_EQ(w.ProgressBar1.Value, 730) << name;
    }
}

TEST_F(FailedLoadTest, MissingFileOrFolderIsCannotOpen) {
    for (const std::string& path : {(dir.Path() / "no such file.phx").string(), dir.Path().string()}) {
        dialogs.ExpectBox("Error!", "Cannot open Hex file");
        LoadFirmwareFile(w, path);
        EXPECT_EQ(w.Text1.Caption, "");
        ExpectCommandsOff();
        ExpectEarlierImageKept();
    }
    dialogs.ExpectOpen((dir.Path() / "gone.phx").string()).ExpectBox("Error!", "Cannot open Hex file");
    LoadFirmwareFile(w, "");
}

TEST_F(FailedLoadTest, OneLineFileStillSetsTheTargetReply) {
    LoadFailing("QV-UNKNOWN\r\n", "Cannot open Hex file");
    EXPECT_EQ(w.TargetReply, 0);
}

TEST_F(FailedLoadTest, MissingColonKeepsTheHeaderAndTheRecordsSoFar) {
    const auto records = MakeRecords(6);
    PhxFaults faults;
    faults.missingColonAt = 3;
    LoadFailing(sim::WritePhx(KnownTarget(), "2.7", records, faults), "Missing : on line_count 3");
    EXPECT_EQ(w.Text1.Caption, KnownTarget());
    EXPECT_EQ(w.Text2.Caption, "Version 2.7");
    ExpectCommandsOff();
    ExpectImage({records.begin(), records.begin() + 2});
    EXPECT_EQ(w.ProgressBar1.Value, 730);
}

TEST_F(FailedLoadTest, ChecksumErrorNamesItsDataLine) {
    const auto records = MakeRecords(6);
    PhxFaults faults;
    faults.badChecksumAt = 5;
    LoadFailing(sim::WritePhx(KnownTarget(), "2.7", records, faults), "Checksum error on line_count 5");
    EXPECT_EQ(w.Text1.Caption, KnownTarget());
    EXPECT_EQ(w.Text2.Caption, "Version 2.7");
    ExpectCommandsOff();
    ExpectImage({records.begin(), records.begin() + 4});
    EXPECT_EQ(w.ProgressBar1.Value, 730);
}

TEST_F(FailedLoadTest, BlankDataLineIsAMissingColon) {
    const auto records = MakeRecords(2);
    LoadFailing(Phx(KnownTarget(), "2.7", {sim::RecordLine(records[0]), "", sim::RecordLine(records[1]), EndRecordLine()}),
                "Missing : on line_count 2");
    ExpectImage({records[0]});
}

TEST_F(FailedLoadTest, FileEndingBeforeTheEndRecordFallsOffTheEnd) {
    const auto records = MakeRecords(12);
    PhxFaults faults;
    faults.noEndRecord = true;
    LoadFailing(sim::WritePhx(KnownTarget(), "2.7", records, faults), "Error fallen of end of file on 13");
    EXPECT_EQ(w.Text1.Caption, "");
    EXPECT_EQ(w.Text2.Caption, "");
    ExpectCommandsOff();
    ExpectImage(records);
    EXPECT_EQ(w.ProgressBar1.Value, 0);
}

TEST_F(FailedLoadTest, HeaderLinesAloneFallOffAtDataLineOne) {
    LoadFailing(KnownTarget() + "\r\n2.7\r\n", "Error fallen of end of file on 1");
    EXPECT_EQ(w.Text1.Caption, "");
    EXPECT_EQ(w.RecordCount, 0);
    EXPECT_EQ(w.ProgressBar1.Value, 0);
}

TEST_F(FailedLoadTest, CharacterBelowItsKeyFailsTheLoad) {
    const auto records = MakeRecords(6);
    PhxFaults faults;
    faults.belowZeroAt = 4;
    LoadFailing(sim::WritePhx(KnownTarget(), "2.7", records, faults), "Error fallen of end of file on 4");
    EXPECT_EQ(w.Text2.Caption, "");
    ExpectCommandsOff();
    ExpectImage({records.begin(), records.begin() + 3});
    EXPECT_EQ(w.ProgressBar1.Value, 0);
}

TEST_F(FailedLoadTest, ThousandTwentyFiveRecordsOverflowTheImage) {
    const auto records = MakeRecords(1025);
    LoadFailing(sim::WritePhx(KnownTarget(), "2.7", records), "Error fallen of end of file on 1026");
    ExpectCommandsOff();
    ExpectImage(records);
    EXPECT_EQ(w.ProgressBar1.Value, 0);
}

}  // namespace
}  // namespace vantrel::test
