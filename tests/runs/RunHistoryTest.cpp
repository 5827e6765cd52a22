// vantrel-cli history: the runs of the record and its earlier file, newest last, each
// start paired with its end; a torn last line (a crash while writing) and anything else
// that is no record skipped; the next run after a crash starts on a line of its own.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "cli/HistoryCommand.h"
#include "runs/RecordFile.h"
#include "support/TempDir.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;

std::string Start(const std::string& id, const std::string& at, const std::string& com, const std::string& tav) {
    return R"({"kind":"start","run":")" + id + R"(","at":")" + at + R"(","file":{"version":"2.5"},"port":{"com":")" +
           com + R"("},"tav":{"shown":")" + tav + "\"}}";
}
std::string End(const std::string& id, const std::string& at, const std::string& outcome, int acknowledged) {
    return R"({"kind":"end","run":")" + id + R"(","at":")" + at + R"(","outcome":")" + outcome +
           R"(","acknowledged":)" + std::to_string(acknowledged) + R"(,"records":40,"exit":null})";
}

struct Printed {
    int exit;
    std::string out, err;
};

class RunHistoryTest : public ::testing::Test {
protected:
    Printed History(const runs::RecordLocation& where, int count, bool json) {
        const fs::path outPath = dir.Path() / "out", errPath = dir.Path() / "err";
        std::FILE* out = std::fopen(outPath.string().c_str(), "wb");
        std::FILE* err = std::fopen(errPath.string().c_str(), "wb");
        const int exit = cli::ToInt(cli::RunHistoryCommand(where, count, json, out, err));
        std::fclose(out);
        std::fclose(err);
        return {exit, Read(outPath), Read(errPath)};
    }
    static std::string Read(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    TempDir dir;
    fs::path record = dir.Path() / "runs.jsonl";
};

TEST_F(RunHistoryTest, RunsOfBothFilesNewestLastWithATornLineSkippedAndTheNextRunOnALineOfItsOwn) {
    const std::string a = "0a", b = "0b", c = "0c", d = "0d";
    std::ofstream(runs::RolledFile(record), std::ios::binary)
        << End("ff", "2025-03-04T04:00:00.000Z", "succeeded", 40) << "\n"  // its start was rolled away
        << Start(a, "2025-03-04T05:06:07.089Z", "COM1", "Tav model 00 2.0") << "\n"
        << End(a, "2025-03-04T05:07:00.000Z", "succeeded", 40) << "\n"
        << Start(b, "2025-03-04T06:00:00.000Z", "COM2", "Emergency Comm port 2") << "\n";
    const std::string torn = Start(c, "2025-03-04T07:00:00.000Z", "COM3", "Tav model 00 1.3");
    std::ofstream(record, std::ios::binary) << End(b, "2025-03-04T06:01:00.000Z", "record-failed", 3) << "\n"
                                            << "not a record\n" << torn << "\n"
                                            << End(c, "2025-03-04T07:05:00.000Z", "succeeded", 40).substr(0, 60);  // the power went
    // The next run after the crash: its line must not be glued to the torn one.
    ASSERT_EQ(runs::AppendRecordLine(record, Start(d, "2025-03-05T08:00:00.000Z", "COM4", "Tav model 00 2.4") + "\n"),
              "");

    const Printed all = History({record, {}}, 20, false);
    EXPECT_EQ(all.exit, 0);
    EXPECT_EQ(all.err, "");
    EXPECT_EQ(all.out,
              "2025-03-04 04:00:00Z  (its start line is no longer kept)  succeeded  40 of 40 records\n"
              "2025-03-04 05:06:07Z  COM1  Tav model 00 2.0 -> 2.5  succeeded  40 of 40 records\n"
              "2025-03-04 06:00:00Z  COM2  Emergency Comm port 2 -> 2.5  record-failed  3 of 40 records\n"
              "2025-03-04 07:00:00Z  COM3  Tav model 00 1.3 -> 2.5  began, never ended\n"
              "2025-03-05 08:00:00Z  COM4  Tav model 00 2.4 -> 2.5  began, never ended\n");

    const Printed json = History({record, {}}, 3, true);
    EXPECT_EQ(json.out, Start(b, "2025-03-04T06:00:00.000Z", "COM2", "Emergency Comm port 2") + "\n" +
                            End(b, "2025-03-04T06:01:00.000Z", "record-failed", 3) + "\n" + torn + "\n" +
                            Start(d, "2025-03-05T08:00:00.000Z", "COM4", "Tav model 00 2.4") + "\n")
        << "the last three runs' lines as stored";
}

TEST_F(RunHistoryTest, NoRecordNoneChosenAndAPathThatIsNoRegularFileAreSaidSo) {
    const Printed missing = History({record, {}}, 20, false);
    EXPECT_EQ(missing.exit, 0);
    EXPECT_EQ(missing.out, "no runs recorded in " + record.string() + "\n");
    EXPECT_EQ(History({record, {}}, 20, true).out, "") << "--json prints records only";

    const Printed none = History({}, 20, false);
    EXPECT_EQ(none.exit, 0);
    EXPECT_EQ(none.err, "vantrel-cli: no run record is kept: VANTREL_RUNS is none\n");
    EXPECT_EQ(History({{}, "neither XDG_STATE_HOME nor HOME is set"}, 20, false).err,
              "vantrel-cli: no run record is kept: neither XDG_STATE_HOME nor HOME is set\n");

    fs::create_directory(record);
    const Printed folder = History({record, {}}, 20, false);
    EXPECT_EQ(folder.exit, 1);
    EXPECT_EQ(folder.err, "vantrel-cli: the run record cannot be read: " + record.string() +
                              ": is a folder, not a regular file\n");
}

}  // namespace
}  // namespace vantrel::test
