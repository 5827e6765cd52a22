// The bench window end to end in real time: four vantrel-tavsim processes on
// pseudo-terminals as COM1..COM4, the model on Qt's serial ports and port threads, every
// command given by a click on the window's buttons. What reached each tav is read from
// its simulator's report.

#include <gtest/gtest.h>
#include <signal.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTemporaryDir>
#include <array>
#include <fstream>
#include <optional>

#include "QtRig.h"
#include "TavsimProcess.h"
#include "app/Commands.h"
#include "bench/BenchModel.h"
#include "qt/BenchWindow.h"
#include "support/ScopedEnv.h"

namespace vantrel::test {
namespace {

// n records at byte addresses 0, 16, 32, ..., with data that never repeats across records.
std::vector<sim::PhxRecord> DistinctRecords(int n) {
    std::vector<sim::PhxRecord> records;
    std::uint32_t state = 0x9E3779B9u;
    for (int k = 0; k < n; ++k) {
        sim::PhxRecord& r = records.emplace_back(sim::PhxRecord{static_cast<std::uint16_t>(k * 16), {}});
        for (auto& b : r.data) b = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    }
    return records;
}

class BenchEndToEnd : public ::testing::Test {
protected:
    BenchEndToEnd() {
        for (int n = 1; n <= 4; ++n)
            ports[n - 1].emplace(QString("VANTREL_COM%1").arg(n).toStdString().c_str(), "none");
    }
    ~BenchEndToEnd() override {
        window.reset();
        model.reset();
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    // A tav on COMn, its report in tavN.json (and tavN.json.K for the K-th plugged in).
    TavsimProcess& AttachTav(int n, QStringList args) {
        TavsimProcess& tav = tavs[n - 1].emplace(VANTREL_TAVSIM, args, Path(QString("tav%1.json").arg(n)));
        ports[n - 1].emplace(QString("VANTREL_COM%1").arg(n).toStdString().c_str(), tav.SlavePath().c_str());
        return tav;
    }
    TavsimReport Report(int n) { return tavs[n - 1]->StopAndReport(); }
    // The window over a model with these records loaded (a file for "Tav model 00", 2.5).
    void Open(const std::vector<sim::PhxRecord>& records) {
        const std::string file = Path("fw.phx").toStdString();
        std::ofstream(file, std::ios::binary) << sim::WritePhx("Tav model 00", "2.5", records);
        model = std::make_unique<BenchModel>(
            BenchPlatform{port, pump, dialogs, registry, StartQtPortThread, nullptr, {}}, BenchStart{file, false});
        window = std::make_unique<BenchWindow>(*model);
        window->show();
        model->Begin();
        ASSERT_TRUE(Until([&] { return Button("Program all")->isEnabled(); })) << model->View().file;
    }
    QPushButton* Button(const char* caption) const { return window->findChild<QPushButton*>(caption); }
    void Click(const char* caption) { QTest::mouseClick(Button(caption), Qt::LeftButton); }
    std::string Status(int n) const {
        return window->findChild<QLabel*>(QString("COM%1 status").arg(n))->text().toStdString();
    }
    bool Idle() const { return Button("Load")->isEnabled(); }
    template <class F>
    bool Until(F done, int ms = 20000) {
        return QTest::qWaitFor(done, ms);
    }

    QApplication& app = TestApp();
    QTemporaryDir dir;
    std::array<std::optional<ScopedEnv>, 4> ports;  // none but the test's
    RegFileStore registry{Path("registry.reg").toStdString()};
    QtSerialPort port;
    QtEventPump pump;
    ScriptedDialogs dialogs;
    std::array<std::optional<TavsimProcess>, 4> tavs;  // stopped before the directory goes
    std::unique_ptr<BenchModel> model;
    std::unique_ptr<BenchWindow> window;
};

TEST_F(BenchEndToEnd, ProgramAllProgramsTheTavsOfTheFilesTypeAndLeavesTheOtherUntouched) {
    for (int n = 1; n <= 3; ++n) AttachTav(n, {"--reply", "11", "--version", "2.0"});
    AttachTav(4, {"--reply", "22", "--version", "1.0"});
    const auto records = DistinctRecords(30);
    Open(records);
    Click("Program all");
    Click("Program all");  // a second click starts nothing
    ASSERT_TRUE(Until([&] { return Idle(); }));
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(Status(n), "Programmed: 30 records") << "COM" << n;
    EXPECT_EQ(Status(4), "Other type: Tav model 01");
    for (int n = 1; n <= 3; ++n) {
        const TavsimReport report = Report(n);
        EXPECT_EQ(report.records, LastToFirst(records)) << "COM" << n;
        EXPECT_EQ(report.counts["completions"].toInt(), 1) << "COM" << n << ": programmed once";
    }
    const TavsimReport other = Report(4);
    for (const char* count : {"recordFrames", "completions", "links", "restarts"})
        EXPECT_EQ(other.counts[count].toInt(), 0) << count;
}

TEST_F(BenchEndToEnd, RetryFailedProgramsTheFailedTavInEmergencyMode) {
    // The first tav refuses every record; the next answers no identification, as a tav
    // whose programming failed, but takes its records.
    std::ofstream(Path("tav1.opts").toStdString()) << "--wrong-ack 0 --loader-only\n";
    AttachTav(1, {"--reply", "11", "--version", "2.0", "--wrong-ack", "1000000", "--control", Path("tav1.opts")});
    const auto records = DistinctRecords(30);
    Open(records);
    Click("Program all");
    ASSERT_TRUE(Until([&] { return Idle(); })) << Status(1);
    ASSERT_EQ(Status(1).substr(0, 8), "Failed: ");
    ASSERT_TRUE(Button("Retry failed")->isEnabled());

    tavs[0]->Signal(SIGUSR2);
    ASSERT_TRUE(Until([&] { return QFile::exists(Path("tav1.json.1")); }));
    dialogs.ExpectBox("Warning", EmergencyWarning());
    Click("Retry failed");
    ASSERT_TRUE(Until([&] { return Idle(); })) << Status(1);
    dialogs.VerifyAndClear();
    EXPECT_EQ(Status(1), "Programmed: 30 records");
    Report(1);
    EXPECT_EQ(ReadTavsimReport(Path("tav1.json.2")).records, LastToFirst(records));
}

TEST_F(BenchEndToEnd, WatchProgramsATavConnectedThenTheNextOneInItsPlace) {
    AttachTav(1, {"--reply", "11", "--version", "2.0", "--control", Path("tav1.opts")});
    const auto records = DistinctRecords(30);
    Open(records);
    Click("Watch");
    ASSERT_TRUE(Until([&] { return Status(1) == "Programmed: 30 records"; })) << Status(1);
    tavs[0]->Signal(SIGUSR1);  // taken away
    ASSERT_TRUE(Until([&] { return Status(1) == "Waiting for a tav"; })) << Status(1);
    std::ofstream(Path("tav1.opts").toStdString()) << "--version 2.1\n";
    tavs[0]->Signal(SIGUSR2);
    const auto counts = [this] { return window->findChild<QLabel*>("COM1 counts")->text().toStdString(); };
    ASSERT_TRUE(Until([&] { return counts() == "2 programmed, 0 failed"; })) << Status(1);
    Click("Watch");
    ASSERT_TRUE(Until([&] { return Idle(); }));
    Report(1);
    EXPECT_EQ(ReadTavsimReport(Path("tav1.json.1")).records, LastToFirst(records));
    EXPECT_EQ(ReadTavsimReport(Path("tav1.json.2")).records, LastToFirst(records));
}

TEST_F(BenchEndToEnd, TheCloseBoxMidTransferStopsEveryTransferAtARecordBoundaryAndRestartsItsTav) {
    for (int n = 1; n <= 4; ++n) AttachTav(n, {"--reply", "11", "--version", "2.0"});
    const auto records = DistinctRecords(400);
    Open(records);
    Click("Program all");
    ASSERT_TRUE(Until([&] {
        for (int n = 1; n <= 4; ++n)
            if (Status(n).rfind("Programming ", 0) != 0) return false;
        return true;
    })) << Status(1) << " / " << Status(4);
    EXPECT_EQ(DrawnColour(*window->findChild<QLabel*>("COM1 status")), "Blue");
    window->close();
    EXPECT_TRUE(window->isVisible()) << "stays until every transfer has stopped";
    ASSERT_TRUE(Until([&] { return !window->isVisible(); }));
    for (int n = 1; n <= 4; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(Status(n).rfind("Failed: stopped by the user", 0), 0u) << Status(n);
        const TavsimReport report = Report(n);
        EXPECT_GT(report.records.size(), 0u);
        EXPECT_LT(report.records.size(), records.size());
        EXPECT_EQ(report.counts["recordFrames"].toInt(), static_cast<int>(report.records.size()))
            << "whole records only";
        EXPECT_EQ(report.counts["restarts"].toInt(), 1);
    }
}

}  // namespace
}  // namespace vantrel::test
