// Programming end to end in real time: a PHX file made from tests/data/sample.hex is
// loaded, the search finds vantrel-tavsim on COM2 over a pseudo-terminal, the row is
// selected and Program pressed; the simulator's report must hold the file's records,
// each once, last first, byte for byte.

#include <gtest/gtest.h>

#include <QCoreApplication>

#include "app/Commands.h"
#include "firmware/LoadFirmwareFile.h"
#include "programming/ProgramTav.h"
#include "QtProgramRig.h"
#include "support/ScriptedDialogs.h"

namespace vantrel::test {

void PrintTo(const ReportedRecord& r, std::ostream* os) { *os << "{" << r.wordAddress << ", " << r.hexData << "}"; }

namespace {

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "e2e_program_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

class ProgramOverPty : public ::testing::Test {
protected:
    void SetUp() override { App(); }

    ScriptedDialogs dialogs;
    QtProgramRig rig{dialogs};
    Bootstrap& w = rig.w;
    std::vector<sim::PhxRecord> records = SampleRecords();

    // Load, let the search find the tav on COM2, select its row, press Program.
    void LoadSearchSelectProgram(TavsimProcess& tav) {
        rig.PointComAt(2, tav.SlavePath());
        const std::string phx = rig.WriteFile("sample.phx", sim::WritePhx(rig.BootNameOf(0x11), "2.6", records));
        LoadFirmwareFile(w, phx);
        ASSERT_EQ(w.RecordCount, static_cast<int>(records.size()));
        ASSERT_TRUE(w.Option1[1].Visible && w.Option1[1].Enabled) << w.TavType[1].Caption;
        Option1_Click(w, 1);  // the tav's 2.5 is older than the file's 2.6: no question
        ASSERT_TRUE(w.ProgramTav.Enabled);
        ProgramTav_Click(w);
        EXPECT_FALSE(w.PleaseWait.Visible);
        EXPECT_FALSE(w.MSComm1.PortOpen());
    }
};

TEST_F(ProgramOverPty, SampleImageArrivesWholeLastRecordFirst) {
    ASSERT_GT(records.size(), 300u);
    TavsimProcess tav(VANTREL_TAVSIM_PATH, {"--reply", "11", "--version", "2.5"}, QString::fromStdString(rig.Path("report.json")));
    dialogs.ExpectBox("OK! ", "Tav reprogram suceeded");

    LoadSearchSelectProgram(tav);

    const TavsimReport report = tav.StopAndReport();
    EXPECT_EQ(report.records, ArrivalsOf(records));
    EXPECT_EQ(report.recordFrames, static_cast<int>(records.size()));
    EXPECT_EQ(report.badBlocks, 0);
    EXPECT_EQ(report.completions, 1);
}

TEST_F(ProgramOverPty, WrongAcknowledgementsAndJunkStillLeaveTheWholeImage) {
    // Each junk byte read as a reply costs a 500 ms pause and a resend: a shorter image
    // keeps the run short (about a third of the replies are trailed by junk).
    records.resize(64);
    TavsimProcess tav(VANTREL_TAVSIM_PATH, {"--reply", "11", "--version", "2.5", "--wrong-ack", "3", "--garbage"},
                      QString::fromStdString(rig.Path("report.json")));
    dialogs.ExpectBox("OK! ", "Tav reprogram suceeded");

    LoadSearchSelectProgram(tav);

    const TavsimReport report = tav.StopAndReport();
    // A junk byte read as the reply makes the program send that block again; the tav then
    // stores it twice in a row. Apart from such repeats, the image arrived once, in order.
    std::vector<ReportedRecord> arrivals;
    for (const auto& r : report.records)
        if (arrivals.empty() || !(arrivals.back() == r)) arrivals.push_back(r);
    EXPECT_EQ(arrivals, ArrivalsOf(records));
    EXPECT_GE(report.recordFrames, static_cast<int>(records.size()) + 3);
    EXPECT_EQ(report.badBlocks, 0);
}

}  // namespace
}  // namespace vantrel::test
