// vantrel-cli end to end: the real executable against vantrel-tavsim over pseudo-terminals.
// The core is tested elsewhere; these runs check what the console front-end adds: its
// lines and exit statuses, progress, --json, --trace and the interruption.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "cli/CliProcess.h"
#include "sim/PhxWriter.h"

namespace vantrel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Firmware for the default type table's first row: BootName "Tav model 00", reply 11 hex,
// shown as "Tav model 00 " (with its blank) and the version.
constexpr const char* kTarget = "Tav model 00";

class CliEndToEnd : public ::testing::Test {
protected:
    CliBench bench;
};

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The last line, or "" when there is none.
std::string Last(const std::vector<std::string>& lines) { return lines.empty() ? std::string() : lines.back(); }

std::vector<std::string> Matching(const std::vector<std::string>& lines, const std::string& prefix) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        if (l.starts_with(prefix)) out.push_back(l);
    return out;
}

TEST_F(CliEndToEnd, UsageErrorsExitTwoBeforeAnythingRuns) {
    for (const QStringList& args : {QStringList{}, QStringList{"flash", "x.phx"}, QStringList{"program", "x.phx"},
                                    QStringList{"program", "x.phx", "--port", "5"},
                                    QStringList{"search", "--yes", "--no"}, QStringList{"load"}}) {
        const CliResult r = bench.Run(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_EQ(r.out, "");
        EXPECT_THAT(r.err, HasSubstr("Try 'vantrel-cli --help'."));
    }
    const CliResult help = bench.Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_THAT(help.out, HasSubstr("130  interrupted"));
}

TEST_F(CliEndToEnd, LoadErrorsPrintTheirBoxOnStandardErrorAndExitThree) {
    const auto records = DistinctRecords(12);
    sim::PhxFaults badSum, noColon, noEnd;
    badSum.badChecksumAt = 3;
    noColon.missingColonAt = 7;
    noEnd.noEndRecord = true;
    struct Case {
        std::string file;
        std::string errorLine;
    } cases[] = {
        {bench.Path("missing.phx"), "Error!: Cannot open Hex file"},
        {bench.WriteFile("bad-sum.phx", sim::WritePhx(kTarget, "2.5", records, badSum)),
         "Error!: Checksum error on line_count 3"},
        {bench.WriteFile("no-colon.phx", sim::WritePhx(kTarget, "2.5", records, noColon)),
         "Error!: Missing : on line_count 7"},
        {bench.WriteFile("no-end.phx", sim::WritePhx(kTarget, "2.5", records, noEnd)),
         "Error!: Error fallen of end of file on 13"},
    };
    for (const Case& c : cases) {
        const CliResult r = bench.Run({"load", QString::fromStdString(c.file)});
        EXPECT_EQ(r.exitCode, 3) << c.errorLine;
        EXPECT_THAT(r.ErrLines(), ElementsAre(c.errorLine, "vantrel-cli: firmware file not loaded"));
        EXPECT_EQ(r.out, "") << "nothing on standard output after a failed load";
    }
}

TEST_F(CliEndToEnd, LoadListsTheFileAndTheRowsItsSearchFound) {
    bench.AttachTav(2, {"--reply", "11", "--version", "2.4"});
    bench.AttachTav(3, {"--reply", "22", "--version", "1.15"});
    const std::string file = bench.WriteFile("fw.phx", sim::WritePhx(std::string(kTarget) + "#", "2.5", DistinctRecords(5)));

    const CliResult r = bench.Run({"load", QString::fromStdString(file)});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_THAT(r.OutLines(), ElementsAre("Target type: Tav model 00", "Version: 2.5", "Records: 5",
                                          "COM2  Tav model 00 2.4  [selectable]", "COM3  Tav model 01 1.15"));
}

TEST_F(CliEndToEnd, EmergencySearchAsksFirstAndListsEveryPortThatOpens) {
    bench.AttachTav(4, {"--loader-only"});

    const CliResult refused = bench.Run({"search", "--emergency"});  // no terminal, no answer: Cancel
    EXPECT_EQ(refused.exitCode, 7);
    const auto out = refused.OutLines();
    ASSERT_GE(out.size(), 3u);
    EXPECT_EQ(out[0], "Warning:       Emergency mode should only be used to reprogram");
    EXPECT_EQ(out[1], "                a tav that has previously failed to program.");
    EXPECT_EQ(out[2], "");
    EXPECT_EQ(Last(out), "    answered Cancel (no terminal)");
    EXPECT_TRUE(Matching(out, "COM").empty());

    const CliResult listed = bench.Run({"search", "--emergency", "--yes"});
    EXPECT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(Last(listed.OutLines()), "COM4  Emergency Comm port 4  [selectable]");
    EXPECT_EQ(Matching(listed.OutLines(), "COM").size(), 1u);
}

TEST_F(CliEndToEnd, ProgramSendsTheWholeFileReportsProgressAndTracesTheWire) {
    Tavsim& tav = bench.AttachTav(1, {"--reply", "11", "--version", "2.4"});
    const auto records = DistinctRecords(40);
    const std::string file = bench.WriteFile("fw.phx", sim::WritePhx(kTarget, "2.5", records));
    const std::string trace = bench.Path("trace.txt");

    const CliResult r = bench.Run({"program", QString::fromStdString(file), "--port", "1", "--trace",
                                   QString::fromStdString(trace)});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto out = r.OutLines();
    const auto progress = Matching(out, "Progress ");
    ASSERT_EQ(progress.size(), 40u) << "one line per whole percent, 2.5% per record";
    EXPECT_EQ(progress.front(), "Progress 2%  1/40 records");
    EXPECT_EQ(progress[1], "Progress 5%  2/40 records");
    EXPECT_EQ(progress.back(), "Progress 100%  40/40 records");
    EXPECT_TRUE(Contains(out, "COM1  Tav model 00 2.4  [selectable]"));
    EXPECT_EQ(out[out.size() - 2], "OK! : Tav reprogram suceeded");
    EXPECT_EQ(Last(out), "COM1 programmed: 40 records");

    const QJsonObject report = tav.StopAndReport();
    EXPECT_EQ(ReportedRecords(report), ExpectedArrivals(records));
    EXPECT_EQ(report["counts"]["completions"].toInt(), 1);

    std::ifstream in(trace);
    std::stringstream text;
    text << in.rdbuf();
    const std::string t = text.str();
    EXPECT_THAT(t, HasSubstr("open COM1 (" + tav.SlavePath() + ")"));
    EXPECT_THAT(t, HasSubstr("  settings 9600,o,8,1\n"));
    EXPECT_THAT(t, HasSubstr("  sent A1\n"));    // a record command
    EXPECT_THAT(t, HasSubstr("  sent EA\n"));    // the completion's second byte
    EXPECT_THAT(t, HasSubstr("  received 0F "));  // an acknowledgement
    EXPECT_THAT(t, HasSubstr("  wait 10 ms\n"));
    EXPECT_THAT(t, HasSubstr("wait 10 ms ended: time-out after 1"));
    EXPECT_THAT(t, HasSubstr("wait 500 ms ended: 2 byte(s) in after"));
    EXPECT_THAT(t, HasSubstr("  close COM1\n"));
    EXPECT_THAT(t, HasSubstr("  box OK! : Tav reprogram suceeded\n"));
}

TEST_F(CliEndToEnd, FailingTavsGetTheirOwnExitStatus) {
    const std::string file = bench.WriteFile("fw.phx", sim::WritePhx(kTarget, "2.5", DistinctRecords(3)));
    {
        CliBench noAck;
        noAck.AttachTav(2, {"--reply", "11", "--version", "2.0", "--no-ack"});
        const CliResult r = noAck.Run({"program", QString::fromStdString(file), "--port", "2"});
        EXPECT_EQ(r.exitCode, 5);
        EXPECT_THAT(r.ErrLines(), ElementsAre("Error!: Tav failed to reprogram. Tav must be programmed to operate",
                                              "vantrel-cli: programming failed"));
    }
    {
        CliBench noCompletion;
        noCompletion.AttachTav(2, {"--reply", "11", "--version", "2.0", "--wrong-completions", "4"});
        const CliResult r = noCompletion.Run({"program", QString::fromStdString(file), "--port", "2"});
        EXPECT_EQ(r.exitCode, 6);
        EXPECT_THAT(r.ErrLines(), ElementsAre("Error! : Failed to restart unit",
                                              "vantrel-cli: completion not acknowledged: the tav did not confirm its restart"));
    }
    const CliResult wrongPort = bench.Run({"program", QString::fromStdString(file), "--port", "3"});
    EXPECT_EQ(wrongPort.exitCode, 4);
    EXPECT_EQ(Last(wrongPort.ErrLines()), "vantrel-cli: no selectable tav on COM3");
}

TEST_F(CliEndToEnd, IrMicroTargetsSucceedOnTheirRestartWhichShowsNoBox) {
    // A tav answering 23 hex behind an IR micro; the file is for reply 25 hex ("Tav model 22 ").
    Tavsim& tav = bench.AttachTav(1, {"--reply", "23", "--version", "1.0", "--ir-micro", "--ir-version", "3.7"});
    const auto records = DistinctRecords(6);
    const std::string file = bench.WriteFile("ir.phx", sim::WritePhx("Tav model 22 ", "4.0", records));

    const CliResult r = bench.Run({"program", QString::fromStdString(file), "--port", "1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(Contains(r.OutLines(), "COM1  Tav model 22 3.7  [selectable]"));
    EXPECT_EQ(Last(r.OutLines()), "COM1 programmed: 6 records");
    const QJsonObject report = tav.StopAndReport();
    EXPECT_EQ(ReportedRecords(report), ExpectedArrivals(records));
    EXPECT_EQ(report["counts"]["completions"].toInt(), 0);
    EXPECT_EQ(report["counts"]["irRestarts"].toInt(), 2) << "the search's, then the one that ends the programming";
}

TEST_F(CliEndToEnd, JsonEventsParseBackAndTheVersionQuestionTakesTheAnswerGiven) {
    bench.AttachTav(3, {"--reply", "11", "--version", "2.5"});
    const std::string file = bench.WriteFile("fw.phx", sim::WritePhx(kTarget, "2.5", DistinctRecords(4)));

    const CliResult declined = bench.Run({"program", QString::fromStdString(file), "--port", "3", "--no"});
    EXPECT_EQ(declined.exitCode, 7);

    const CliResult r = bench.Run({"--json", "program", QString::fromStdString(file), "--port", "3", "--yes"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    std::vector<QJsonObject> events;
    for (const std::string& line : r.OutLines()) {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line;
        events.push_back(doc.object());
    }
    std::vector<std::string> kinds;
    for (const auto& e : events) kinds.push_back(e["event"].toString().toStdString());
    ASSERT_THAT(kinds, ElementsAre("file", "row", "box", "progress", "progress", "progress", "progress", "box", "outcome"));

    EXPECT_EQ(events[0]["target"].toString(), "Tav model 00");
    EXPECT_EQ(events[0]["records"].toInt(), 4);
    EXPECT_EQ(events[1]["port"].toInt(), 3);
    EXPECT_EQ(events[1]["text"].toString(), "Tav model 00 2.5");
    EXPECT_TRUE(events[1]["selectable"].toBool());
    EXPECT_EQ(events[2]["title"].toString(), "Warning");
    EXPECT_EQ(events[2]["text"].toString(),
              "This tav contains code version  00 2.5, do you wish to reprogram with Version 2.5");
    EXPECT_EQ(events[2]["answer"].toString(), "ok");
    EXPECT_EQ(events[2]["answered_by"].toString(), "--yes");
    EXPECT_EQ(events[4]["sent"].toInt(), 2);
    EXPECT_EQ(events[4]["total"].toInt(), 4);
    EXPECT_EQ(events[4]["percent"].toString(), "50.0%");
    EXPECT_EQ(events[7]["title"].toString(), "OK! ");
    EXPECT_EQ(events[8]["result"].toString(), "ok");
    EXPECT_EQ(events[8]["exit"].toInt(), 0);
}

TEST_F(CliEndToEnd, OnATerminalTheQuestionIsAskedAndProgressIsOneRedrawnBar) {
    bench.AttachTav(2, {"--reply", "11", "--version", "2.5"});
    const std::string file = bench.WriteFile("fw.phx", sim::WritePhx(kTarget, "2.5", DistinctRecords(8)));

    const CliResult r = bench.RunOnTerminal({"program", file, "--port", "2"}, {"maybe", "ok"});
    EXPECT_EQ(r.exitCode, 0) << r.out;
    // An answer that is neither OK nor Cancel asks again.
    EXPECT_THAT(r.out, HasSubstr("Warning: This tav contains code version  00 2.5, do you wish to reprogram with "
                                 "Version 2.5\r\nOK or Cancel? [ok/cancel] maybe\r\nOK or Cancel? [ok/cancel] ok\r\n"));
    EXPECT_THAT(r.out, HasSubstr("\r[##########################----]   87.5%  7/8 records\x1b[K"
                                 "\r[##############################]  100.0%  8/8 records\x1b[K\r\n"));
    EXPECT_THAT(r.out, HasSubstr("OK! : Tav reprogram suceeded\r\nCOM2 programmed: 8 records\r\n"));
    EXPECT_EQ(r.out.find("Progress "), std::string::npos) << "no per-percent lines on a terminal";
}

TEST_F(CliEndToEnd, InterruptStopsAtARecordBoundaryRestartsTheTavAndExits130) {
    Tavsim& tav = bench.AttachTav(1, {"--reply", "11", "--version", "2.0"});
    const auto records = DistinctRecords(400);
    const std::string file = bench.WriteFile("fw.phx", sim::WritePhx(kTarget, "2.5", records));

    auto cli = bench.Start({"program", QString::fromStdString(file), "--port", "1"});
    std::string seen;
    while (seen.find("Progress 2%") == std::string::npos) {
        ASSERT_TRUE(cli->waitForReadyRead(60000)) << "no progress shown: " << seen;
        seen += cli->readAllStandardOutput().toStdString();
    }
    ::kill(static_cast<pid_t>(cli->processId()), SIGINT);
    ASSERT_TRUE(cli->waitForFinished(60000));
    EXPECT_EQ(cli->exitCode(), 130);
    const std::string err = cli->readAllStandardError().toStdString();
    EXPECT_THAT(err, HasSubstr("Error!: Tav failed to reprogram. Tav must be programmed to operate\n"));
    EXPECT_THAT(err, HasSubstr(" records: the tav was restarted and the port closed\n"));

    const QJsonObject report = tav.StopAndReport();
    const auto stored = ReportedRecords(report);
    ASSERT_GE(stored.size(), 8u);
    ASSERT_LT(stored.size(), records.size());
    auto expected = ExpectedArrivals(records);
    expected.resize(stored.size());
    EXPECT_EQ(stored, expected) << "the records before the stop went in whole, in order";
    EXPECT_EQ(report["counts"]["recordFrames"].toInt(), int(stored.size())) << "no part of a frame after the stop";
    EXPECT_EQ(report["counts"]["completions"].toInt(), 0);
    EXPECT_EQ(report["counts"]["restarts"].toInt(), 2) << "the search's restart, then the one after the stop";
}

}  // namespace
}  // namespace vantrel::test
