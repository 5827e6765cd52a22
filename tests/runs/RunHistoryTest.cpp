// vantrel-cli history: the runs of the record and its earlier file, newest last, each
// start paired with its end; a torn last line (a crash while writing) and anything else
// that is no record skipped; the next run after a crash starts on a line of its own.
// --since picks runs by when they began; --csv makes a table a spreadsheet opens as text.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/HistoryCommand.h"
#include "runs/RecordFile.h"
#include "runs/RecordTime.h"
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

const std::string kCsvHeader =
    "time,port,device,file name,SHA-256,target,version before,version after,outcome,records acknowledged,retries,"
    "duration (s)\r\n";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct Printed {
    int exit;
    std::string out, err;
};

class RunHistoryTest : public ::testing::Test {
protected:
    Printed History(const runs::RecordLocation& where, int count, bool json) {
        return History(where, {count, json ? cli::HistoryFormat::Json : cli::HistoryFormat::Text, {}});
    }
    Printed History(const runs::RecordLocation& where, const cli::HistoryRequest& request) {
        const fs::path outPath = dir.Path() / "out", errPath = dir.Path() / "err";
        std::FILE* out = std::fopen(outPath.string().c_str(), "wb");
        std::FILE* err = std::fopen(errPath.string().c_str(), "wb");
        const int exit = cli::ToInt(cli::RunHistoryCommand(where, request, out, err));
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

    // The same record as a table: every run whole, the torn line left out, what the
    // record does not hold for a run empty.
    const Printed csv = History({record, {}}, {.format = cli::HistoryFormat::Csv});
    EXPECT_EQ(csv.exit, 0);
    EXPECT_EQ(csv.out, kCsvHeader +
                           ",,,,,,,,succeeded,40,,\r\n"
                           "2025-03-04T05:06:07.089Z,COM1,,,,,,2.5,succeeded,40,,52.911\r\n"
                           "2025-03-04T06:00:00.000Z,COM2,,,,,,,record-failed,3,,60.000\r\n"
                           "2025-03-04T07:00:00.000Z,COM3,,,,,,,,,,\r\n"
                           "2025-03-05T08:00:00.000Z,COM4,,,,,,,,,,\r\n");

    // --since: a run that began exactly then counts, one a millisecond earlier does not; a
    // day counts from its first millisecond; a run without its start line by its end.
    const std::vector<std::string> lines = Lines(all.out);
    const struct { const char* since; std::size_t last; } picks[] = {
        {"2025-03-04T05:06:07.088Z", 4}, {"2025-03-04T05:06:07.089Z", 4}, {"2025-03-04T05:06:07.09Z", 3},
        {"2025-03-04T06:00:00Z", 3},     {"2025-03-04T06:00:00.0009Z", 3}, {"2025-03-04T06:00:00.001Z", 2},
        {"2025-03-05", 1},               {"2025-03-04", 5},                {"2025-03-06", 0},
    };
    for (const auto& p : picks) {
        SCOPED_TRACE(p.since);
        const std::optional<runs::RecordTime> since = runs::ParseRecordTime(p.since);
        ASSERT_TRUE(since);
        const Printed picked = History({record, {}}, {.since = since});
        EXPECT_EQ(picked.exit, 0);
        if (p.last == 0) {
            EXPECT_EQ(picked.out, "no runs recorded in " + record.string() + " since 2025-03-06T00:00:00.000Z\n");
            EXPECT_EQ(History({record, {}}, {.format = cli::HistoryFormat::Csv, .since = since}).out, kCsvHeader);
            continue;
        }
        EXPECT_EQ(Lines(picked.out), std::vector<std::string>(lines.end() - p.last, lines.end()))
            << "every run since, not only the last 20";
        EXPECT_EQ(Lines(History({record, {}}, {.count = 1, .since = since}).out).size(), 1u);
    }
    for (const char* malformed : {"2025-3-04", "2025-02-29", "2025-03-04T24:00:00Z", "2025-03-04T05:06:07",
                                  "2025-03-04 05:06:07Z", "2025-03-04T05:06:07.Z", "2025-03-04Z", "yesterday", ""})
        EXPECT_FALSE(runs::ParseRecordTime(malformed)) << malformed;
    EXPECT_EQ(History({record, {}}, {.format = cli::HistoryFormat::Json, .since = runs::ParseRecordTime("2025-03-05")})
                  .out,
              Start(d, "2025-03-05T08:00:00.000Z", "COM4", "Tav model 00 2.4") + "\n");
}

TEST_F(RunHistoryTest, CsvQuotesWhatNeedsItAndKeepsWhatASpreadsheetWouldRunAsText) {
    const struct Case {
        std::string device, path, outcome;
        std::string row;  // as the table shows them: device, file name, ..., version after, outcome
    } cases[] = {
        {"/dev/ttyUSB0", "/srv/fw/QX400.PHX", "succeeded", "/dev/ttyUSB0,/srv/fw/QX400.PHX,ab12,Tav model 04 ,2.0,2.5,succeeded"},
        {"/dev/ttyUSB0", "/srv/fw/a,b.PHX", "record-failed", "/dev/ttyUSB0,\"/srv/fw/a,b.PHX\",ab12,Tav model 04 ,2.0,,record-failed"},
        {"/dev/ttyUSB0", "say \"hi\".PHX", "succeeded", "/dev/ttyUSB0,\"say \"\"hi\"\".PHX\",ab12,Tav model 04 ,2.0,2.5,succeeded"},
        {"/dev/ttyUSB0", "two\nlines\r.PHX", "succeeded", "/dev/ttyUSB0,\"two\nlines\r.PHX\",ab12,Tav model 04 ,2.0,2.5,succeeded"},
        {"/dev/ttyUSB0", "=HYPERLINK(\"http://x\",\"y\").PHX", "succeeded",
         "/dev/ttyUSB0,\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\").PHX\",ab12,Tav model 04 ,2.0,2.5,succeeded"},
        {"+/dev/ttyS0", "-1.PHX", "stopped", "'+/dev/ttyS0,'-1.PHX,ab12,Tav model 04 ,2.0,,stopped"},
        {"@SUM(A1)", "\tcmd|' /C calc'!A0", "succeeded", "'@SUM(A1),'\tcmd|' /C calc'!A0,ab12,Tav model 04 ,2.0,2.5,succeeded"},
        {"x=1", "a+b-c@d.PHX", "succeeded", "x=1,a+b-c@d.PHX,ab12,Tav model 04 ,2.0,2.5,succeeded"},
    };
    std::ofstream file(record, std::ios::binary);
    std::string expected = kCsvHeader;
    int id = 0;
    for (const Case& c : cases) {
        const std::string run = std::to_string(++id);
        const nlohmann::ordered_json start = {
            {"kind", "start"}, {"run", run}, {"at", "2025-03-04T05:06:07.089Z"},
            {"file", {{"path", c.path}, {"sha256", "ab12"}, {"target", "Tav model 04 "}, {"version", "2.5"}}},
            {"port", {{"com", "COM1"}, {"device", c.device}}},
            {"tav", {{"shown", "Tav model 04 2.0"}, {"version", "2.0"}}}};
        const nlohmann::ordered_json end = {{"kind", "end"},      {"run", run},       {"at", "2025-03-04T05:08:07.089Z"},
                                            {"outcome", c.outcome}, {"acknowledged", 9}, {"records", 40},
                                            {"retries", 2}};
        file << start.dump() << "\n" << end.dump() << "\n";
        expected += "2025-03-04T05:06:07.089Z,COM1," + c.row + ",9,2,120.000\r\n";
    }
    file.close();
    EXPECT_EQ(History({record, {}}, {.format = cli::HistoryFormat::Csv}).out, expected);
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
