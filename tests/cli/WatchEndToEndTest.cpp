// vantrel-cli watch over pseudo-terminals: tavs connected and taken away while it runs,
// each tav of the file's type that is older programmed once per connection, every other
// tav left without a loader command, each run recorded, and the watch's exit status.

#include <gtest/gtest.h>
#include <signal.h>

#include <QJsonArray>
#include <functional>
#include <fstream>

#include "CliRig.h"

namespace vantrel::test {
namespace {

// Reads vantrel-cli's JSON lines as they come until one satisfies `wanted`.
bool ReadUntil(QProcess& cli, const std::function<bool(const QJsonObject&)>& wanted, std::string& seen) {
    for (;;) {
        while (cli.canReadLine()) {
            const QByteArray line = cli.readLine();
            seen += line.toStdString();
            if (wanted(QJsonDocument::fromJson(line).object())) return true;
        }
        if (!cli.waitForReadyRead(30000)) return false;
    }
}

std::function<bool(const QJsonObject&)> Event(const char* event, int port, const char* state = nullptr) {
    return [=](const QJsonObject& o) {
        return o["event"] == event && o["port"].toInt() == port && (!state || o["state"] == state);
    };
}

TEST_F(CliEndToEnd, WatchProgramsEachTavOfTheFilesTypeOncePerConnectionAndLeavesTheOthersAlone) {
    AttachTav(1, {"--reply", "11", "--version", "2.0", "--control", Path("tav1.opts")});
    AttachTav(2, {"--reply", "11", "--version", "2.5"});  // up to date: the file is 2.5
    AttachTav(3, {"--reply", "22", "--version", "1.0"});  // another type
    const auto records = DistinctRecords(30);
    auto cli = Start({"--json", "watch", Firmware(records)});
    std::string out;
    ASSERT_TRUE(ReadUntil(*cli, Event("outcome", 1), out)) << out;
    ASSERT_TRUE(ReadUntil(*cli, Event("slot", 1, "programmed"), out)) << out;
    EXPECT_NE(out.find(R"("port":2,"programmed":0,"state":"up to date","text":"Up to date: Tav model 00 2.5")"),
              std::string::npos);
    EXPECT_NE(out.find(R"("port":3,"programmed":0,"state":"other type","text":"Other type: Tav model 01")"),
              std::string::npos);

    // Taken away, then the next tav connected to the same port.
    Tav(1).Signal(SIGUSR1);
    ASSERT_TRUE(ReadUntil(*cli, Event("slot", 1, "waiting"), out)) << out;
    std::ofstream(Path("tav1.opts").toStdString()) << "--version 2.1\n";
    Tav(1).Signal(SIGUSR2);
    ASSERT_TRUE(ReadUntil(*cli, Event("slot", 1, "programmed"), out)) << out;

    ::kill(static_cast<pid_t>(cli->processId()), SIGINT);
    ASSERT_TRUE(cli->waitForFinished(30000));
    out += cli->readAllStandardOutput().toStdString();
    EXPECT_EQ(cli->exitCode(), 0) << out;
    EXPECT_NE(out.find(R"({"event":"summary","failed":0,"left_alone":2,)"), std::string::npos) << out;
    EXPECT_NE(out.find(R"("programmed":2})"), std::string::npos) << out;

    Report(1);  // ends the simulator: the second tav's report is written
    EXPECT_EQ(ReadTavsimReport(Path("tav1.json.1")).records, LastToFirst(records));
    EXPECT_EQ(ReadTavsimReport(Path("tav1.json.2")).records, LastToFirst(records));
    for (const int port : {2, 3}) {
        const TavsimReport left = Report(port);
        EXPECT_TRUE(left.records.empty()) << "COM" << port;
        EXPECT_EQ(left.counts["recordFrames"].toInt(), 0) << "COM" << port;
        EXPECT_EQ(left.counts["completions"].toInt(), 0) << "COM" << port;
        EXPECT_EQ(left.counts["restarts"].toInt(), 0) << "COM" << port << ": never restarted";
    }
    const std::vector<QJsonObject> record = RunRecord();
    ASSERT_EQ(record.size(), 4u);  // a start and an end line per programmed tav
    for (const std::size_t start : {0u, 2u}) {
        EXPECT_EQ(record[start]["kind"], "start");
        EXPECT_EQ(record[start]["port"].toObject()["com"], "COM1");
        EXPECT_EQ(record[start + 1]["kind"], "end");
        EXPECT_EQ(record[start + 1]["exit"].toInt(), 0);
    }
}

TEST_F(CliEndToEnd, WatchExitStatusIsTheFirstFailuresAndAnInterruptMidTransferStopsAtTheRecordBoundary) {
    const auto records = DistinctRecords(400);
    const struct Case {
        const char* name;
        QStringList tav;
        const char* interruptAt;  // the slot state at which SIGINT comes
        int exitCode;
    } cases[] = {
        {"a record refused", {"--version", "2.0", "--no-ack"}, "failed", 5},
        {"restart not confirmed", {"--version", "2.0", "--wrong-completions", "4"}, "failed", 6},
        {"interrupted mid-transfer", {"--version", "2.0"}, "programming", 130},
        {"interrupted while waiting", {"--silent"}, "waiting", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AttachTav(1, c.tav);
        auto cli = Start({"--json", "watch", Firmware(records), "--port", "1"});
        std::string out;
        ASSERT_TRUE(ReadUntil(*cli, Event("slot", 1, c.interruptAt), out)) << out;
        ::kill(static_cast<pid_t>(cli->processId()), SIGINT);
        ASSERT_TRUE(cli->waitForFinished(30000));
        out += cli->readAllStandardOutput().toStdString();
        EXPECT_EQ(cli->exitCode(), c.exitCode) << out;
        if (c.exitCode == 130) {
            EXPECT_NE(out.find("Failed: stopped by the user"), std::string::npos) << out;
            EXPECT_EQ(Report(1).counts["restarts"].toInt(), 1) << "the tav restarted after the stop";
        }
    }
}

}  // namespace
}  // namespace vantrel::test
