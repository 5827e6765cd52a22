// What each way a load ends leaves in the window: loaded, cancelled, the open failure, the
// record error and the data-line failure, each with its message.

#include "LoaderRig.h"

namespace vantrel::test {
namespace {

TEST_F(LoaderTest, GoodFileOfTheMostRecordsFillsImageEnablesCommandsAndSearches) {
    const auto records = MakeRecords(1024);
    w.TavType[2].Caption = "left from before";  // the search empties every row
    w.TavVersion[2] = 3.5f;
    w.ProgressBar1.Value = 420;
    Load(sim::WritePhx(KnownTarget(), "2.5", records));
    EXPECT_EQ(w.Text1.Caption, KnownTarget());
    EXPECT_EQ(w.Text2.Caption, "Version 2.5");
    ExpectCommands(true);
    EXPECT_EQ(w.TargetReply, KnownReply());
    ExpectImage(records, 1024);
    EXPECT_EQ(w.Records[1024].WordAddress, 0x1F30);  // the end record's address took the next slot
    EXPECT_EQ(w.ProgressBar1.Value, 420);
    EXPECT_EQ(w.TavType[2].Caption, "");
    EXPECT_EQ(w.TavVersion[2], 0.0f);
}

// A good file loaded first, so that what a failed load keeps and what it drops shows.
class FailedLoadTest : public LoaderTest {
protected:
    void LoadEarlier() {
        Load(sim::WritePhx(KnownTarget(), "1.0", earlier));
        w.ProgressBar1.Value = 730;
    }
    void ExpectDisplayReset() {
        EXPECT_EQ(w.Text1.Caption, "");
        EXPECT_EQ(w.Text2.Caption, "");
        ExpectCommands(false);
    }
    const std::vector<sim::PhxRecord> earlier = MakeRecords(3, 0x0200);
};

TEST_F(FailedLoadTest, CancelledOrMissingFileKeepsTheImage) {
    LoadEarlier();
    dialogs.ExpectOpen("");
    LoadFirmwareFile(w, "");  // cancelled: no box
    ExpectDisplayReset();
    ExpectImage(earlier, 3);
    EXPECT_EQ(w.TargetReply, KnownReply());
    EXPECT_EQ(w.ProgressBar1.Value, 730);

    for (const std::string& chosen : {(dir.Path() / "gone.phx").string(), dir.Path().string()}) {
        LoadEarlier();
        dialogs.ExpectOpen(chosen).ExpectBox("Error!", "Cannot open Hex file");
        LoadFirmwareFile(w, "");
        ExpectDisplayReset();
        ExpectImage(earlier, 3);
    }
}

TEST_F(FailedLoadTest, EachFailureShowsItsMessageAndKeepsWhatItShould) {
    enum Kind { Open, Record, DataLine };
    // recordsKept: how many of `records` the image holds after a record or data-line failure.
    struct Case { std::string what; Kind kind; std::string contents, box; std::size_t recordsKept = 0; };
    const auto records = MakeRecords(1025);
    const auto phx = [&](int n, sim::PhxFaults faults = {}) {
        return sim::WritePhx(KnownTarget(), "2.7", {records.begin(), records.begin() + n}, faults);
    };
    std::string crOnly = "QV10\r2.5\r" + sim::EncipherLines({EndRecord()});
    std::erase(crOnly, '\n');
    std::string binary;
    for (int b = 0; b < 256; ++b) binary.push_back(static_cast<char>((b * 91) & 0xFF));
    // A megabyte line without a line end whose very last character is below its key.
    std::string spoilt = Phx(KnownTarget(), {sim::RecordLine(records[0]), EndRecord() + std::string(1 << 20, 'w')});
    spoilt.resize(spoilt.size() - 2);
    spoilt.back() = 31;

    const std::vector<Case> cases{
        {"empty", Open, "", "Cannot open Hex file"},
        {"one line", Open, KnownTarget() + "\r\n", "Cannot open Hex file"},
        {"one line without end", Open, KnownTarget(), "Cannot open Hex file"},
        {"CR line ends only", Open, crOnly, "Cannot open Hex file"},
        {"header of 64 KiB and more", Open, std::string(65537, 'T') + "\r\n1.0\r\n", "Cannot open Hex file"},
        {"missing colon", Record, phx(6, {.missingColonAt = 3}), "Missing : on line_count 3", 2},
        {"bad checksum", Record, phx(6, {.badChecksumAt = 5}), "Checksum error on line_count 5", 4},
        {"blank data line", Record, "QV\r\n2.7\r\n" + sim::EncipherLines({sim::RecordLine(records[0]), ""}),
         "Missing : on line_count 2", 1},
        {"no end record", DataLine, phx(12, {.noEndRecord = true}), "Error fallen of end of file on 13", 12},
        {"header lines alone", DataLine, KnownTarget() + "\r\n2.7\r\n", "Error fallen of end of file on 1"},
        {"below its key", DataLine, phx(6, {.belowZeroAt = 4}), "Error fallen of end of file on 4", 3},
        {"1025 records", DataLine, phx(1025), "Error fallen of end of file on 1026", 1025},
        {"binary data", DataLine, KnownTarget() + "\r\n2.7\r\n" + binary, "Error fallen of end of file on 1"},
        {"spoilt long last line", DataLine, spoilt, "Error fallen of end of file on 2", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LoadEarlier();
        Load(c.contents, c.box);
        ExpectCommands(false);
        // A record error names the file it stopped in; the others leave no name.
        EXPECT_EQ(w.Text1.Caption, c.kind == Record ? c.contents.substr(0, c.contents.find('\r')) : "");
        EXPECT_EQ(w.Text2.Caption, c.kind == Record ? "Version 2.7" : "");
        if (c.kind == Open) ExpectImage(earlier, 3);
        else ExpectImage(records, c.recordsKept);
        EXPECT_EQ(w.ProgressBar1.Value, c.kind == DataLine ? 0 : 730);
    }

    // A one-line file still sets the target reply: to 0 for a type the table does not know.
    Load("QV-UNKNOWN\r\n", "Cannot open Hex file");
    EXPECT_EQ(w.TargetReply, 0);
}

}  // namespace
}  // namespace vantrel::test
