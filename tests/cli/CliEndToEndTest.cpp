// vantrel-cli end to end: the real executable against vantrel-tavsim over pseudo-terminals.
// The core is tested elsewhere; these runs check what the console front-end adds: its
// lines and exit statuses, progress, the answers given, --json, --trace and the interruption.

#include <gmock/gmock.h>
#include <signal.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <ranges>
#include <sstream>

#include "cli/CliRig.h"

namespace vantrel::test {
namespace {

using namespace ::testing;
using namespace std::literals;

TEST_F(CliEndToEnd, EveryFailurePrintsItsLinesAndHasItsExitStatus) {
    AttachTav(1, {"--reply", "11", "--version", "2.5"});  // asks before reprogramming the same version
    AttachTav(2, {"--reply", "11", "--version", "2.0", "--no-ack"});
    AttachTav(3, {"--reply", "11", "--version", "2.0", "--wrong-completions", "4"});
    const auto records = DistinctRecords(12);
    const auto load = [&](sim::PhxFaults faults) { return QStringList{"load", Firmware(records, faults)}; };
    const QString fw = Firmware(DistinctRecords(3));
    const std::string help = "\nTry 'vantrel-cli --help'.\n", notLoaded = "\nvantrel-cli: firmware file not loaded\n";
    // Blocked outside any wait (here opening the trace), a signal still ends the run at once.
    const QString fifo = Fifo("trace-fifo");
    const struct Case { QStringList args; int exitCode; std::string err; int signal = 0; } cases[] = {
        {{"flash", "x.phx"}, 2, "vantrel-cli: unknown command 'flash' (load, search or program)" + help},
        {{"search", "--yes", "--no"}, 2, "vantrel-cli: --yes and --no exclude each other" + help},
        {{"load", Path("missing.phx")}, 3, "Error!: Cannot open Hex file" + notLoaded},
        {load({.badChecksumAt = 3}), 3, "Error!: Checksum error on line_count 3" + notLoaded},
        {load({.missingColonAt = 7}), 3, "Error!: Missing : on line_count 7" + notLoaded},
        {load({.noEndRecord = true}), 3, "Error!: Error fallen of end of file on 13" + notLoaded},
        {{"program", fw, "--port", "1", "--no"}, 7,
         "vantrel-cli: version question answered Cancel: nothing programmed\n"},
        {{"program", fw, "--port", "2"}, 5,
         "Error!: Tav failed to reprogram. Tav must be programmed to operate\nvantrel-cli: programming failed\n"},
        {{"program", fw, "--port", "3"}, 6,
         "Error! : Failed to restart unit\n"
         "vantrel-cli: completion not acknowledged: the tav did not confirm its restart\n"},
        {{"program", fw, "--port", "4"}, 4, "vantrel-cli: no selectable tav on COM4\n"},
        {{"search", "--trace", fifo}, 130, "vantrel-cli: interrupted\n", SIGINT},
        {{"load", fw, "--trace", fifo}, 130, "vantrel-cli: interrupted\n", SIGTERM},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const CliResult r = c.signal ? RunUntilBlockedThenSignal(c.args, c.signal) : Run(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out.empty(), c.args[0] != "program") << "only a search lists anything";
    }
}

TEST_F(CliEndToEnd, ProgramListsTheSearchTakesTheAnswerGivenSendsTheWholeFileAndTracesTheWire) {
    const std::string slave = AttachTav(1, {"--reply", "11", "--version", "2.5"});
    AttachTav(3, {"--reply", "22", "--version", "1.15"});
    const auto records = DistinctRecords(40);
    const CliResult r = Run({"program", Firmware(records), "--port", "1", "--yes", "--trace", Path("trace")});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_THAT(r.out, StartsWith("Target type: Tav model 00\nVersion: 2.5\nRecords: 40\n"
                                  "COM1  Tav model 00 2.5  [selectable]\nCOM3  Tav model 01 1.15\n"
                                  "Warning: This tav contains code version  00 2.5, do you wish to reprogram with "
                                  "Version 2.5\n    answered OK (--yes)\nProgress 2%  1/40 records\n"
                                  "Progress 5%  2/40 records\n"));
    EXPECT_THAT(r.out, EndsWith("\nProgress 100%  40/40 records\nOK! : Tav reprogram suceeded\n"
                                "COM1 programmed: 40 records\n"));
    EXPECT_EQ(std::ranges::distance(std::views::split(r.out, "\nProgress "sv)) - 1, 40)
        << "one progress line per whole percent, 2.5% per record";

    const TavsimReport report = Report(1);
    EXPECT_EQ(report.records, LastToFirst(records));
    EXPECT_EQ(report.counts["completions"].toInt(), 1);

    std::stringstream trace;
    trace << std::ifstream(Path("trace").toStdString()).rdbuf();
    for (const std::string& part : {"open COM1 (" + slave + ") at ", "  settings 9600,o,8,1\n"s, "  sent A1\n"s,
                                    "  received 0F "s, "  box OK! : Tav reprogram suceeded\n"s})
        EXPECT_NE(trace.str().find(part), std::string::npos) << part;
}

TEST_F(CliEndToEnd, InterruptStopsAtARecordBoundaryRestartsTheTavAndExits130WithEveryEventInJson) {
    AttachTav(1, {"--reply", "11", "--version", "2.0"});
    const auto records = DistinctRecords(400);
    auto cli = Start({"--json", "program", Firmware(records), "--port", "1"});
    QByteArray out;
    while (!out.contains("\"sent\":8,")) {
        ASSERT_TRUE(cli->waitForReadyRead(60000)) << "no progress shown: " << out.toStdString();
        out += cli->readAllStandardOutput();
    }
    ::kill(static_cast<pid_t>(cli->processId()), SIGINT);
    ASSERT_TRUE(cli->waitForFinished(60000));
    EXPECT_EQ(cli->exitCode(), 130);
    std::vector<QJsonObject> events;
    for (const QByteArray& line : (out + cli->readAllStandardOutput()).trimmed().split('\n')) {
        QJsonParseError error{};
        events.push_back(QJsonDocument::fromJson(line, &error).object());
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
    }
    ASSERT_GE(events.size(), 12u);
    EXPECT_EQ(events[9]["percent"].toString(), "02.0%");
    const QJsonObject& box = events[events.size() - 2];
    EXPECT_EQ(box["title"].toString() + ": " + box["text"].toString(),
              "Error!: Tav failed to reprogram. Tav must be programmed to operate");
    EXPECT_EQ(events.back()["exit"].toInt(), 130);
    EXPECT_THAT(events.back()["summary"].toString().toStdString(),
                HasSubstr(" records: the tav was restarted and the port closed"));

    const TavsimReport report = Report(1);
    const auto& stored = report.records;
    ASSERT_GE(stored.size(), 8u);
    ASSERT_LT(stored.size(), records.size());
    EXPECT_EQ(stored, LastToFirst(records, stored.size())) << "the records before the stop went in whole, in order";
    EXPECT_EQ(report.counts["recordFrames"].toInt(), int(stored.size())) << "no part of a frame after the stop";
    EXPECT_EQ(report.counts["completions"].toInt(), 0);
    EXPECT_EQ(report.counts["restarts"].toInt(), 2) << "the search's restart, then the one after the stop";
}

}  // namespace
}  // namespace vantrel::test
