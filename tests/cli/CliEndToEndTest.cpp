// vantrel-cli end to end: the real executable against vantrel-tavsim over pseudo-terminals.
// The core is tested elsewhere; these runs check what the console front-end adds: its
// lines and exit statuses, progress, the answers given, --json, --trace and the interruption.

#include <gmock/gmock.h>
#include <signal.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <map>
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
    auto outOfReach = DistinctRecords(6);
    outOfReach[4].byteAddress = 0x8000;  // would land at word C000 hex, not 4000 hex
    const std::string help = "\nTry 'vantrel-cli --help'.\n", notLoaded = "\nvantrel-cli: firmware file not loaded\n";
    const std::string since = "--since takes a day YYYY-MM-DD or a UTC time YYYY-MM-DDTHH:MM:SS.mmmZ, not ";
    // Blocked outside any wait (here opening the trace), a signal still ends the run at once.
    const QString fifo = Fifo("trace-fifo");
    const struct Case { QStringList args; int exitCode; std::string err; int signal = 0; } cases[] = {
        {{"flash", "x.phx"}, 2,
         "vantrel-cli: unknown command 'flash' (load, search, program, watch, ports or history)" + help},
        {{"watch"}, 2, "vantrel-cli: watch needs a firmware file" + help},
        {{"watch", "x.phx", "--all"}, 2, "vantrel-cli: watch arms every port unless --port names some: no --all" + help},
        {{"watch", "x.phx", "--no"}, 2, "vantrel-cli: watch asks no question: --no does not apply" + help},
        {{"watch", "x.phx", "--emergency"}, 2,
         "vantrel-cli: watch finds its tavs by the probe: not with --emergency" + help},
        {{"watch", "x.phx", "--port", "5"}, 2,
         "vantrel-cli: --port takes a COM port number from 1 to 4, not '5'" + help},
        {{"watch", Path("missing.phx")}, 3, "Error!: Cannot open Hex file" + notLoaded},
        {{"history", "-n", "0"}, 2, "vantrel-cli: -n takes a number of runs from 1 up, not '0'" + help},
        {{"history", "--no"}, 2, "vantrel-cli: history reads the run record: only -n N and --json apply" + help},
        {{"search", "--save"}, 2, "vantrel-cli: --save belongs to ports" + help},
        {{"ports", "--trace", Path("t")}, 2, "vantrel-cli: ports opens no port: only --save and --json apply" + help},
        {{"search", "--yes", "--no"}, 2, "vantrel-cli: --yes and --no exclude each other" + help},
        {{"history", "--since", "2025-02-30"}, 2, "vantrel-cli: " + since + "'2025-02-30'" + help},
        {{"history", "--since", "2025-03-04T05:06:07"}, 2, "vantrel-cli: " + since + "'2025-03-04T05:06:07'" + help},
        {{"history", "--since", "03/04/2025", "--csv"}, 2, "vantrel-cli: " + since + "'03/04/2025'" + help},
        {{"search", "--csv"}, 2, "vantrel-cli: --csv and --since belong to history" + help},
        {{"history", "--csv", "--json"}, 2, "vantrel-cli: --csv and --json exclude each other: one format" + help},
        {{"load", Path("missing.phx")}, 3, "Error!: Cannot open Hex file" + notLoaded},
        {load({.badChecksumAt = 3}), 3, "Error!: Checksum error on line_count 3" + notLoaded},
        {load({.missingColonAt = 7}), 3, "Error!: Missing : on line_count 7" + notLoaded},
        {load({.noEndRecord = true}), 3, "Error!: Error fallen of end of file on 13" + notLoaded},
        {{"program", fw, "--port", "1", "--no"}, 7,
         "vantrel-cli: version question answered Cancel: nothing programmed\n"},
        {{"program", fw, "--port", "2"}, 5,
         "Error!: Tav failed to reprogram. Tav must be programmed to operate\nvantrel-cli: programming failed: 0 of 3 "
         "records acknowledged, the tav confirmed its restart; the tav must be programmed again (with --emergency if "
         "it no longer answers the search)\n"},
        {{"program", Firmware(outOfReach), "--port", "2"}, 5,
         "Error!: Address 8000 hex or above on data line 5: nothing was sent to the tav\n"
         "vantrel-cli: nothing programmed: no record was sent\n"},
        {{"program", fw, "--port", "3"}, 6,
         "Error! : Failed to restart unit\n"
         "vantrel-cli: completion not acknowledged: 3 of 3 records acknowledged, the tav did not confirm its "
         "restart\n"},
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
    // Only the two runs that reached a tav's port are recorded, each with its exit status
    // and its last line as the console said it.
    const std::vector<QJsonObject> record = RunRecord();
    ASSERT_EQ(record.size(), 4u);
    const struct { const char* com; const char* outcome; int exit; const char* summary; } runs[] = {
        {"COM2", "record-failed", 5,
         "programming failed: 0 of 3 records acknowledged, the tav confirmed its restart; the tav must be programmed "
         "again (with --emergency if it no longer answers the search)"},
        {"COM3", "restart-unconfirmed", 6,
         "completion not acknowledged: 3 of 3 records acknowledged, the tav did not confirm its restart"},
    };
    for (std::size_t k = 0; k < 2; ++k) {
        const QJsonObject &start = record[2 * k], &end = record[2 * k + 1];
        EXPECT_EQ(start["kind"], "start");
        EXPECT_EQ(start["frontEnd"], "console");
        EXPECT_EQ(start["port"].toObject()["com"], runs[k].com);
        EXPECT_EQ(end["run"], start["run"]);
        EXPECT_EQ(end["outcome"], runs[k].outcome);
        EXPECT_EQ(end["exit"], runs[k].exit);
        EXPECT_EQ(end["summary"], runs[k].summary);
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
    for (const std::string& part : {"open COM1 (" + slave + ") at ",
                                    "  open COM2 (no device) failed: Cannot open COM2: it has no device\n"s,
                                    "  settings 9600,o,8,1\n"s, "  sent A1\n"s,
                                    "  received 0F "s, "  box OK! : Tav reprogram suceeded\n"s})
        EXPECT_NE(trace.str().find(part), std::string::npos) << part;
    EXPECT_THAT(trace.str(), ContainsRegex("  sent( [0-9A-F]{2}){19}\n")) << "a record block on one line";
    // The probe's last pause runs straight into its reply wait: it still reads as a time-out.
    EXPECT_THAT(trace.str(), ContainsRegex("  wait 10 ms ended: time-out after [0-9.]+ ms\n +[0-9.]+  wait 100 ms\n"));
    EXPECT_THAT(trace.str(), Not(HasSubstr(" 0 byte(s) in "))) << "a wait that ends on bytes has bytes";
}

TEST_F(CliEndToEnd, TheVariableWinsOverThePortsFileWhichNamesATavOnItsOwnAndPortsSaysWhereEachComesFrom) {
    const std::string byVariable = AttachTav(1, {"--reply", "11", "--version", "2.5"});
    const std::string byFile = AttachTav(3, {"--reply", "22", "--version", "1.3"});
    for (const char* name : {"VANTREL_COM2", "VANTREL_COM3", "VANTREL_COM4"}) UnsetEnv(name);
    const std::string file = Path("config/vantrel/ports.conf").toStdString();
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    std::ofstream(file) << "# the bench's tavs\nCOM1=" << byFile << "\nCOM2=none\nCOM3=" << byFile
                        << "\nCOM4=none\nCOM5=/dev/ttyUSB9\n";
    const std::string ignored = file + " line 6 ignored (not COM1 to COM4 = device): COM5=/dev/ttyUSB9\n";

    const CliResult search = Run({"search"});
    EXPECT_EQ(search.exitCode, 0);
    EXPECT_EQ(search.out, "COM1  Tav model 00 2.5\nCOM3  Tav model 01 1.3\n");
    EXPECT_EQ(search.err, "vantrel: " + ignored) << "named once, though read at every opening";

    const CliResult ports = Run({"ports"});
    EXPECT_EQ(ports.exitCode, 0);
    EXPECT_THAT(ports.out, StartsWith("COM1  " + byVariable + "  (set by VANTREL_COM1)\n"
                                      "COM2  no device  (from " + file + ")\n"
                                      "COM3  " + byFile + "  (from " + file + ")\n"
                                      "COM4  no device  (from " + file + ")\n"));
    EXPECT_EQ(ports.err, "vantrel-cli: " + ignored);
}

TEST_F(CliEndToEnd, ARecordThatCannotBeWrittenIsNotedOnceAndHistoryReadsBackEachRun) {
    AttachTav(1, {"--reply", "11", "--version", "2.0"});
    const QString fw = Firmware(DistinctRecords(3));
    std::filesystem::create_directory(Path("folder").toStdString());
    SetEnv("VANTREL_RUNS", Path("folder"));
    const CliResult unrecorded = Run({"program", fw, "--port", "1"});
    EXPECT_EQ(unrecorded.exitCode, 0);
    EXPECT_EQ(unrecorded.err, "vantrel-cli: run record not written (the run goes on): " +
                                  Path("folder").toStdString() + ": is a folder, not a regular file\n")
        << "once, though neither line could be written";

    SetEnv("VANTREL_RUNS", Path("runs.jsonl"));
    EXPECT_EQ(Run({"program", fw, "--port", "1"}).exitCode, 0);
    const CliResult history = Run({"history"});
    EXPECT_EQ(history.exitCode, 0);
    EXPECT_THAT(history.out, MatchesRegex("[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}Z  COM1  Tav model 00 "
                                          "2.0 -> 2.5  succeeded  3 of 3 records\n"));
    const CliResult json = Run({"history", "-n", "1", "--json"});
    std::ifstream stored(Path("runs.jsonl").toStdString(), std::ios::binary);
    EXPECT_EQ(json.out, std::string(std::istreambuf_iterator<char>(stored), {})) << "the lines as stored";
    // The run as a table, picked by its day: the file, its digest and both versions.
    const CliResult csv = Run({"history", "--csv", "--since", QString::fromStdString(history.out.substr(0, 10))});
    EXPECT_EQ(csv.exitCode, 0);
    EXPECT_THAT(csv.out, MatchesRegex("time,port,device,file name,SHA-256,target,version before,version after,outcome,"
                                      "records acknowledged,retries,duration \\(s\\)\r\n"
                                      "20[0-9-]{8}T[0-9:]{8}\\.[0-9]{3}Z,COM1,[^,]+,[^,]+/fw[0-9]+\\.phx,[0-9a-f]{64},"
                                      "Tav model 00,2\\.0,2\\.5,succeeded,3,0,[0-9]+\\.[0-9]{3}\r\n"));
    EXPECT_EQ(Run({"history", "--csv", "--since", "2999-01-01"}).out, csv.out.substr(0, csv.out.find('\n') + 1))
        << "only the header: no run since";
    const std::vector<QJsonObject> record = RunRecord();
    ASSERT_EQ(record.size(), 2u);
    EXPECT_EQ(record[1]["exit"], 0);
    EXPECT_EQ(record[1]["summary"], "COM1 programmed: 3 records");
    EXPECT_EQ(record[1]["shown"].toArray(), QJsonArray({"OK! : Tav reprogram suceeded"}));
}

TEST_F(CliEndToEnd, InterruptsSayWhatReachedEachTavAndEachEndingHasItsStatusWithEveryEventInJson) {
    const std::string again =
        "; the tav must be programmed again (with --emergency if it no longer answers the search)";
    const std::string failed = "Error!: Tav failed to reprogram. Tav must be programmed to operate";
    const struct Case {
        const char* name;
        QStringList tav;
        const char* interruptAt;  // the progress event during which Ctrl-C comes, for every tav
        int interrupts, exitCode;
        std::vector<std::string> boxes;  // "title: text", in order (sorted with several tavs)
        std::string summary;             // each tav's; acknowledged records are written as N
        int restarts;                    // the search's, then the one after the transfer
        int tavs = 1;                    // on COM1 (and COM2), programmed at once
    } cases[] = {
        // The record in flight finishes; then the ordinary failure path.
        {"one interrupt", {}, "\"sent\":8,", 1, 130, {failed},
         "interrupted: N of 400 records acknowledged, the tav confirmed its restart, the port closed" + again, 2},
        // The tav goes silent after 8 records (it hears no restart either): the ninth fails on
        // its own before the stop could come.
        {"interrupt during a record that fails", {"--unplug-after", "8"}, "\"sent\":9,", 1, 5,
         {failed, "Error!: No reply to restart"},
         "programming failed: N of 400 records acknowledged, the tav did not confirm its restart" + again, 1},
        // A second interrupt, while the ninth record is still being tried, stops at once:
        // no box, no restart.
        {"two interrupts", {"--unplug-after", "8"}, "\"sent\":9,", 2, 8, {},
         "stopped at once: N of 400 records acknowledged, the tav was not restarted, the port closed" + again, 1},
        // Two tavs at once: the interrupt stops both at their next record boundary, and
        // each is restarted; a second one stops both at once.
        {"one interrupt, two tavs", {}, "\"sent\":8,", 1, 130, {failed, failed},
         "interrupted: N of 400 records acknowledged, the tav confirmed its restart, the port closed" + again, 2, 2},
        {"two interrupts, two tavs", {"--unplug-after", "8"}, "\"sent\":9,", 2, 8, {},
         "stopped at once: N of 400 records acknowledged, the tav was not restarted, the port closed" + again, 1, 2},
    };
    const auto records = DistinctRecords(400);
    const QString fw = Firmware(records);
    std::size_t recordLines = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QStringList args{"--json", "program", fw};
        for (int n = 1; n <= c.tavs; ++n) {
            AttachTav(n, QStringList{"--reply", "11", "--version", "2.0"} + c.tav);
            args << "--port" << QString::number(n);
        }
        auto cli = Start(args);
        QByteArray out;
        // Every tav has reached the record.
        while (out.count(c.interruptAt) < c.tavs) {
            ASSERT_TRUE(cli->waitForReadyRead(60000)) << "no progress shown: " << out.toStdString();
            out += cli->readAllStandardOutput();
        }
        ::kill(static_cast<pid_t>(cli->processId()), SIGINT);
        // A second signal sent before the first was taken would merge with it.
        while (c.interrupts == 2 && !out.contains("interrupt: stopping")) {
            ASSERT_TRUE(cli->waitForReadyRead(60000)) << "the interrupt was not taken: " << out.toStdString();
            out += cli->readAllStandardOutput();
        }
        if (c.interrupts == 2) ::kill(static_cast<pid_t>(cli->processId()), SIGINT);
        ASSERT_TRUE(cli->waitForFinished(60000));
        EXPECT_EQ(cli->exitCode(), c.exitCode);
        std::vector<std::string> boxes;
        std::map<int, QJsonObject> outcomes;  // by port; 0: the run's own, always last
        for (const QByteArray& line : (out + cli->readAllStandardOutput()).trimmed().split('\n')) {
            QJsonParseError error{};
            const QJsonObject event = QJsonDocument::fromJson(line, &error).object();
            ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
            if (c.tavs > 1 && (event["event"] == "box" || event["event"] == "progress")) {
                EXPECT_TRUE(event.contains("port")) << "each tav's own events say whose they are";
            }
            if (event["event"] == "box")
                boxes.push_back((event["title"].toString() + ": " + event["text"].toString()).toStdString());
            if (event["event"] == "outcome") outcomes[event["port"].toInt()] = event;
        }
        if (c.tavs > 1) std::ranges::sort(boxes);  // the tavs' boxes interleave as they come
        EXPECT_EQ(boxes, c.boxes);
        EXPECT_EQ(outcomes[0]["exit"].toInt(), c.exitCode);
        EXPECT_EQ(outcomes.size(), c.tavs == 1 ? 1u : 1u + c.tavs) << "one outcome a tav, then the run's";

        for (int n = 1; n <= c.tavs; ++n) {
            SCOPED_TRACE("COM" + std::to_string(n));
            const TavsimReport report = Report(n);
            const auto& stored = report.records;
            ASSERT_GE(stored.size(), 8u);
            ASSERT_LT(stored.size(), records.size());
            EXPECT_EQ(stored, LastToFirst(records, stored.size())) << "the records before the stop went in whole, in order";
            EXPECT_EQ(report.counts["completions"].toInt(), 0);
            EXPECT_EQ(report.counts["restarts"].toInt(), c.restarts);
            // Stopped at once, the tav may hold the block in flight without having acknowledged it.
            const auto said = [&c](std::size_t k) {
                return std::string(c.summary).replace(c.summary.find('N'), 1, std::to_string(k));
            };
            const std::string summary = outcomes[c.tavs == 1 ? 0 : n]["summary"].toString().toStdString();
            EXPECT_THAT(summary, AnyOf(Eq(said(stored.size())), Eq(c.exitCode == 8 ? said(stored.size() - 1) : "")));
            if (c.exitCode == 130) {
                EXPECT_EQ(report.counts["recordFrames"].toInt(), int(stored.size())) << "no frame after the stop";
            }
        }
        // Stopped at once too, each tav's end line is written, with the status and the
        // last line the console gave for that tav.
        const std::vector<QJsonObject> record = RunRecord();
        ASSERT_EQ(record.size(), recordLines + 2u * c.tavs) << "two lines a tav";
        std::map<QString, QString> portOfRun;
        for (std::size_t k = recordLines; k < record.size(); ++k) {
            const QJsonObject& line = record[k];
            if (line["kind"] == "start") {
                portOfRun[line["run"].toString()] = line["port"].toObject()["com"].toString();
                continue;
            }
            const QString com = portOfRun[line["run"].toString()];
            SCOPED_TRACE(com.toStdString());
            ASSERT_FALSE(com.isEmpty()) << "an end line after its start line";
            EXPECT_EQ(line["outcome"], c.exitCode == 130 ? "stopped" : c.exitCode == 5 ? "record-failed" : "abandoned");
            EXPECT_EQ(line["exit"], c.exitCode);
            EXPECT_EQ(line["summary"], outcomes[c.tavs == 1 ? 0 : com.mid(3).toInt()]["summary"]);
        }
        recordLines = record.size();
    }
}

TEST_F(CliEndToEnd, SeveralTavsAreProgrammedAtOnceAndOneThatFailsStopsNoOther) {
    for (int n : {1, 2, 4}) AttachTav(n, {"--reply", "11", "--version", "2.0"});
    AttachTav(3, {"--reply", "11", "--version", "2.0", "--no-ack"});
    const auto records = DistinctRecords(60);
    // Ports in any order, one twice: each tav once, in port order.
    const CliResult r = Run({"program", Firmware(records), "--port", "4", "--port", "1", "--port", "3", "--port", "2",
                             "--port", "1"});
    EXPECT_EQ(r.exitCode, 5) << "the status COM3 alone would give";
    EXPECT_THAT(r.out, EndsWith("\nCOM1 programmed: 60 records\nCOM2 programmed: 60 records\n"
                                "COM4 programmed: 60 records\n"));
    EXPECT_THAT(r.err, EndsWith("COM3: Error!: Tav failed to reprogram. Tav must be programmed to operate\n"
                                "vantrel-cli: COM3: programming failed: 0 of 60 records acknowledged, the tav "
                                "confirmed its restart; the tav must be programmed again (with --emergency if it no "
                                "longer answers the search)\n"
                                "vantrel-cli: 3 of 4 tavs programmed: COM1, COM2, COM4; not programmed: COM3\n"));
    for (const std::string box : {"COM1: OK! : Tav reprogram suceeded\n", "COM4: OK! : Tav reprogram suceeded\n"})
        EXPECT_THAT(r.out, HasSubstr(box));
    // At the same time: each tav's progress lines run between another's first and last.
    const auto line = [&r](const std::string& text) { return r.out.find(text); };
    EXPECT_LT(line("COM2: Progress 1%  1/60 records"), line("COM1: Progress 100%  60/60 records"));
    EXPECT_LT(line("COM1: Progress 1%  1/60 records"), line("COM4: Progress 100%  60/60 records"));
    for (int n : {1, 2, 4}) EXPECT_EQ(Report(n).records, LastToFirst(records)) << "COM" << n;
    const TavsimReport failing = Report(3);
    EXPECT_TRUE(failing.records.empty());
    EXPECT_EQ(failing.counts["recordFrames"].toInt(), 7) << "seven tries of the last record, nothing more";
    // A record of each tav's run, with that tav's own outcome and status.
    std::map<QString, QString> portOfRun;
    std::map<QString, std::pair<QString, int>> ended;  // by port
    for (const QJsonObject& line : RunRecord()) {
        if (line["kind"] == "start") portOfRun[line["run"].toString()] = line["port"].toObject()["com"].toString();
        else ended[portOfRun[line["run"].toString()]] = {line["outcome"].toString(), line["exit"].toInt()};
    }
    EXPECT_EQ(ended, (std::map<QString, std::pair<QString, int>>{{"COM1", {"succeeded", 0}},
                                                                 {"COM2", {"succeeded", 0}},
                                                                 {"COM3", {"record-failed", 5}},
                                                                 {"COM4", {"succeeded", 0}}}));
}

// A second vantrel-cli while COM1 is being programmed (as root too, who passes the
// kernel's exclusive mode): it says COM1 is in use, shows no row for it and sends it
// nothing; the transfer goes on untouched.
TEST_F(CliEndToEnd, ASecondProgramDuringATransferLeavesThatPortAloneAndSaysItIsInUse) {
    const std::string com1 = AttachTav(1, {"--reply", "11", "--version", "2.0"});
    AttachTav(2, {"--reply", "11", "--version", "2.1"});
    const auto records = DistinctRecords(300);
    auto first = Start({"--json", "--trace", Path("trace.txt"), "program", Firmware(records), "--port", "1"});
    QByteArray out;
    while (!out.contains("\"sent\":5,")) {
        ASSERT_TRUE(first->waitForReadyRead(60000)) << "no progress shown: " << out.toStdString();
        out += first->readAllStandardOutput();
    }
    const std::string inUse = "COM1 (" + com1 + ") is in use by another program";
    const CliResult search = Run({"search"});
    EXPECT_EQ(search.exitCode, 0);
    EXPECT_EQ(search.out, "COM2  Tav model 00 2.1\n");
    EXPECT_EQ(search.err, "vantrel-cli: " + inUse + "\n");
    const CliResult json = Run({"--json", "search"});
    EXPECT_THAT(json.out, HasSubstr(R"({"event":"note","port":1,"text":")" + inUse + R"("})"));
    EXPECT_THAT(Run({"ports"}).out, StartsWith("COM1  " + com1 + "  (set by VANTREL_COM1)\n"
                                               "      in use by another program\n"));
    const CliResult second = Run({"program", Firmware(records), "--port", "1", "--yes"});
    EXPECT_EQ(second.exitCode, 4) << second.err;

    ASSERT_TRUE(first->waitForFinished(120000));
    EXPECT_EQ(first->exitCode(), 0);
    const TavsimReport report = Report(1);
    EXPECT_EQ(report.records, LastToFirst(records)) << "every record went in whole, in order";
    EXPECT_EQ(report.counts["restarts"].toInt(), 1) << "the first search's only: no other program's probe";
    std::ifstream trace(Path("trace.txt").toStdString());
    const std::string traced(std::istreambuf_iterator<char>(trace), {});
    EXPECT_THAT(traced, HasSubstr("COM1 low latency: refused by the driver")) << "a pseudo-terminal has none";
}

TEST_F(CliEndToEnd, AllProgramsEveryTavOfTheFilesTypeAskingEachItsOwnQuestion) {
    AttachTav(1, {"--reply", "11", "--version", "2.0"});
    AttachTav(2, {"--reply", "22", "--version", "1.0"});  // another type: left alone
    AttachTav(3, {"--reply", "11", "--version", "2.5"});  // the file's version: asked
    const auto records = DistinctRecords(20);
    const CliResult r = Run({"--json", "program", Firmware(records), "--all", "--yes"});
    EXPECT_EQ(r.exitCode, 0);
    std::vector<std::string> events;
    for (const auto& text : std::views::split(r.out, "\n"sv)) {
        const QJsonObject e = QJsonDocument::fromJson(QByteArray::fromStdString(std::string(text.begin(), text.end()))).object();
        if (e.isEmpty() || e["event"] == "progress" || e["event"] == "row" || e["event"] == "file") continue;
        events.push_back((e["event"].toString() + " " + (e.contains("port") ? QString::number(e["port"].toInt()) : "-") +
                          " " + e["title"].toString() + e["summary"].toString() + e["answered_by"].toString())
                             .toStdString());
    }
    EXPECT_THAT(events, ElementsAre("box 3 Warning--yes", AnyOf("box 1 OK! ", "box 3 OK! "),
                                    AnyOf("box 1 OK! ", "box 3 OK! "), "outcome 1 COM1 programmed: 20 records",
                                    "outcome 3 COM3 programmed: 20 records",
                                    "outcome - 2 of 2 tavs programmed: COM1, COM3"));
    EXPECT_EQ(Report(1).records, LastToFirst(records));
    EXPECT_EQ(Report(3).records, LastToFirst(records));
    EXPECT_EQ(Report(2).counts["recordFrames"].toInt(), 0);

    const struct { QStringList args; std::string err; } refusals[] = {
        {{"program", Firmware(records), "--all", "--port", "1"}, "--all programs every tav found: no --port with it"},
        {{"program", Firmware(records), "--all", "--emergency"},
         "--all needs the search: not with --emergency, which lists every port"},
    };
    for (const auto& c : refusals) {
        const CliResult refused = Run(c.args);
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_EQ(refused.err, "vantrel-cli: " + c.err + "\nTry 'vantrel-cli --help'.\n");
    }
}

}  // namespace
}  // namespace vantrel::test
