// Programming end to end in real time: a PHX file made from tests/data/sample.hex is
// loaded, the search finds vantrel-tavsim on COM2 over a pseudo-terminal, the row is
// selected and Program pressed; the simulator's report must hold the file's records,
// each once, last first, byte for byte.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "QtProgramRig.h"
#include "app/Commands.h"
#include "app/LoadFirmwareFile.h"
#include "app/ProgramTavClick.h"
#include "support/ScriptedDialogs.h"

namespace vantrel::test {
namespace {

// Answers every box OK and keeps them, for a run whose ending the test judges afterwards.
class RecordingDialogs : public Dialogs {
public:
    BoxAnswer MsgBox(const std::string& text, BoxStyle, const std::string& title) override {
        shown.push_back(title + text);
        return BoxAnswer::Ok;
    }
    std::string ShowOpen(const std::string&, bool) override { return {}; }
    std::vector<std::string> shown;  // title directly followed by text
};

// Programs `records` into a vantrel-tavsim answering 11 hex, version 2.5, with these
// faults: load, search, select, Program. Returns its report, or nothing on a failure.
TavsimReport Program(const std::vector<sim::PhxRecord>& records, const QStringList& faults, Dialogs& dialogs) {
    static int argc = 1;
    static char name[] = "e2e_program_tests", *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);  // Qt's serial port and event pump need one
    QtProgramRig rig(dialogs);
    TavsimProcess tav(VANTREL_TAVSIM, QStringList{"--reply", "11", "--version", "2.5"} + faults,
                      QString::fromStdString(rig.Path("report.json")));
    const ScopedEnv com2("VANTREL_COM2", tav.SlavePath().c_str());
    std::ofstream(rig.Path("sample.phx"), std::ios::binary) << sim::WritePhx("Tav model 00", "2.6", records);

    LoadFirmwareFile(rig.w, rig.Path("sample.phx"));
    EXPECT_EQ(rig.w.RecordCount, static_cast<int>(records.size()));
    EXPECT_TRUE(rig.w.Option1[1].Visible) << rig.w.TavType[1].Caption;
    EXPECT_TRUE(rig.w.Option1[1].Enabled) << rig.w.TavType[1].Caption;
    if (!rig.w.Option1[1].Enabled) return {};
    Option1_Click(rig.w, 1);  // the tav's 2.5 is older than the file's 2.6: no question
    ProgramTav_Click(rig.w);
    EXPECT_FALSE(rig.w.PleaseWait.Visible);
    EXPECT_FALSE(rig.w.MSComm1.PortOpen());
    return tav.StopAndReport();
}

TEST(ProgramOverPty, SampleImageArrivesWholeLastRecordFirst) {
    const auto records = SampleRecords();
    ASSERT_GT(records.size(), 300u);
    ScriptedDialogs dialogs;
    dialogs.ExpectBox("OK! ", "Tav reprogram suceeded");
    const TavsimReport report = Program(records, {}, dialogs);
    EXPECT_EQ(report.records, LastToFirst(records));
    EXPECT_EQ(report.counts["recordFrames"].toInt(), static_cast<int>(records.size()));
    EXPECT_EQ(report.counts["completions"].toInt(), 1);
}

TEST(ProgramOverPty, WrongAcknowledgementsAndJunkStillLeaveTheWholeImage) {
    // Each junk byte read as a reply costs a 500 ms pause and a resend: a shorter image
    // keeps the run short (about a third of the replies are trailed by junk).
    auto records = SampleRecords();
    records.resize(64);
    RecordingDialogs dialogs;
    TavsimReport report = Program(records, {"--wrong-ack", "3", "--garbage"}, dialogs);
    // Every record went in. The completion has no pause between its attempts: when junk
    // trails the last record's reply, each attempt reads the previous reply's tail as its
    // first byte, and the tav's restart goes unconfirmed. Which reply the junk trails
    // depends on timing, so either ending is right here; a transfer failure is not.
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_TRUE(dialogs.shown[0] == "OK! Tav reprogram suceeded" || dialogs.shown[0] == "Error! Failed to restart unit")
        << dialogs.shown[0];
    // A junk byte read as the reply makes the program send that block again; the tav then
    // stores it twice in a row. Apart from such repeats, the image arrived once, in order.
    report.records.erase(std::unique(report.records.begin(), report.records.end()), report.records.end());
    EXPECT_EQ(report.records, LastToFirst(records));
    EXPECT_GE(report.counts["recordFrames"].toInt(), static_cast<int>(records.size()) + 3);
}

}  // namespace
}  // namespace vantrel::test
