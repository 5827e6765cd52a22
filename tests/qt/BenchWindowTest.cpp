// The bench window on the offscreen platform over the bench's model, its slots on virtual
// lines: each slot's controls show the model's state in words and colour, the buttons are
// usable exactly when the model allows, the keyboard reaches every command, and closing
// waits for what runs to stop.

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <fstream>
#include <map>

#include "QtRig.h"
#include "app/Commands.h"
#include "bench/BenchModel.h"
#include "qt/BenchWindow.h"
#include "sim/PhxWriter.h"
#include "support/ScratchRegistry.h"
#include "support/TempDir.h"
#include "support/VirtualPortThread.h"

namespace vantrel::test {
namespace {

// What the test puts on each slot's line: COM4 never has a device.
struct BenchLines {
    std::array<std::optional<sim::TavProfile>, kSlots> profiles;
    std::array<sim::TavFaults, kSlots> faults;
    std::array<bool, kSlots> busy{};  // held by another program
};

class BenchWindowTest : public ::testing::Test {
protected:
    BenchWindowTest() {
        std::vector<sim::PhxRecord> records;
        for (int k = 0; k < 40; ++k)
            records.push_back({static_cast<std::uint16_t>(k * 16), {static_cast<std::uint8_t>(k)}});
        std::ofstream(file, std::ios::binary) << sim::WritePhx("Tav model 00", "2.5", records);
    }
    // The window over a model whose COM1..COM3 have a device and lines as `lines` says.
    void Open() {
        const StartPortThread threads = VirtualPortThreads([this](SimLine& line) {
            std::lock_guard lock(linesMutex);
            for (int port = 1; port <= kSlots; ++port)
                if (const auto& profile = lines.profiles[port - 1])
                    line.AttachTav(port, *profile, lines.faults[port - 1]);
            for (int port = 1; port <= kSlots; ++port)
                if (lines.busy[port - 1]) line.port.SetBusy(port, true);
        });
        const BenchPlatform platform{port, pump, dialogs, registry, threads, nullptr, [](int port) {
                                         return port == 4 ? std::string() : "/dev/ttyUSB" + std::to_string(port - 1);
                                     }};
        model = std::make_unique<BenchModel>(platform);
        window = std::make_unique<BenchWindow>(*model);
        window->show();
        model->Begin();
    }
    ~BenchWindowTest() override {
        window.reset();
        model.reset();
    }

    template <class W = QWidget>
    W* Widget(const QString& name) const {
        W* w = window->findChild<W*>(name);
        EXPECT_NE(w, nullptr) << name.toStdString();
        return w;
    }
    QPushButton* Button(const char* caption) const { return Widget<QPushButton>(caption); }
    std::string Status(int port) const {
        return Widget<QLabel>(QString("COM%1 status").arg(port))->text().toStdString();
    }
    // The buttons usable now, in the window's order.
    std::vector<std::string> Usable() const {
        std::vector<std::string> names;
        for (const char* caption : {"Load", "Program all", "Watch", "Retry failed", "Stop", "Exit"})
            if (Button(caption)->isEnabled()) names.push_back(caption);
        return names;
    }
    bool Idle() const { return Button("Load")->isEnabled(); }
    void Click(const char* caption) { QTest::mouseClick(Button(caption), Qt::LeftButton); }
    // On the box itself: a check box takes clicks on its box and caption only.
    void ClickArmed(int port) {
        QCheckBox* box = Widget<QCheckBox>(QString("COM%1").arg(port));
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }
    void LoadTheFile() {
        dialogs.ExpectOpen(file);
        Click("Load");
        dialogs.VerifyAndClear();
    }
    // Lets the model's news reach the window until `done`.
    template <class F>
    void Until(F done) {
        ASSERT_TRUE(QTest::qWaitFor(done, 20000));
    }

    std::string Drawn(int port) const { return DrawnColour(*Widget<QLabel>(QString("COM%1 status").arg(port))); }

    QApplication& app = TestApp();
    QtSerialPort port;  // the model's loader wants one; nothing opens it
    QtEventPump pump;
    ScriptedDialogs dialogs;
    ScratchRegistry registry;
    TempDir dir;
    std::string file = (dir.Path() / "tav00.phx").string();
    std::mutex linesMutex;
    BenchLines lines;
    std::unique_ptr<BenchModel> model;
    std::unique_ptr<BenchWindow> window;
};

TEST_F(BenchWindowTest, SlotsShowTheirStateInWordsAndColourAndTheButtonsFollowTheModel) {
    lines.profiles[0] = sim::TavProfile{.major = 2, .minor = 0};  // older: programmed
    lines.profiles[1] = sim::TavProfile{};                        // 2.5: up to date
    lines.profiles[2] = sim::TavProfile{.replyCode = 0x22};        // another type
    Open();
    EXPECT_EQ(window->windowTitle(), "Vantrel Bench");
    EXPECT_EQ(Widget<QLabel>("File")->text(), "No file loaded");
    EXPECT_EQ(Usable(), (std::vector<std::string>{"Load", "Exit"}));
    for (int port = 1; port <= 3; ++port) {
        EXPECT_EQ(Status(port), "Waiting for a tav");
        EXPECT_EQ(Widget<QLabel>(QString("COM%1 device").arg(port))->text().toStdString(),
                  "/dev/ttyUSB" + std::to_string(port - 1));
    }
    EXPECT_EQ(Status(4), "No port");
    EXPECT_EQ(Widget<QLabel>("COM4 device")->text(), "no device");
    EXPECT_EQ(Drawn(4), "Grey");

    LoadTheFile();
    EXPECT_EQ(Widget<QLabel>("File")->text().left(36), "Tav model 00   version 2.5   40 reco");
    EXPECT_EQ(Usable(), (std::vector<std::string>{"Load", "Program all", "Watch", "Exit"}));

    // The search runs: only Stop and Exit; a second Program all starts nothing, whether
    // clicked or its signal raised.
    dialogs.ExpectBox("Program all", "This tav is up to date:\r\nCOM2: Tav model 00 2.5\r\n\r\nReprogram it too?",
                      BoxAnswer::Cancel);
    Click("Program all");
    EXPECT_EQ(Usable(), (std::vector<std::string>{"Stop", "Exit"}));
    EXPECT_FALSE(Widget<QCheckBox>("COM1")->isEnabled());
    Click("Program all");
    Q_EMIT Button("Program all")->clicked();
    Until([&] { return Idle(); });
    dialogs.VerifyAndClear();

    const struct {
        int port;
        const char* status;
        const char* colour;
        int percent;
        const char* counts;
    } shown[] = {
        {1, "Programmed: 40 records", "Green", 100, "1 programmed, 0 failed"},
        {2, "Up to date: Tav model 00 2.5", "Grey", 0, "0 programmed, 0 failed"},
        {3, "Other type: Tav model 01", "Grey", 0, "0 programmed, 0 failed"},
        {4, "No port", "Grey", 0, "0 programmed, 0 failed"},
    };
    for (const auto& s : shown) {
        SCOPED_TRACE(s.port);
        EXPECT_EQ(Status(s.port), s.status);
        EXPECT_EQ(Drawn(s.port), s.colour);
        EXPECT_EQ(Widget<QProgressBar>(QString("COM%1 progress").arg(s.port))->value(), s.percent);
        EXPECT_EQ(Widget<QLabel>(QString("COM%1 counts").arg(s.port))->text().toStdString(), s.counts);
    }
    EXPECT_EQ(Widget<QLabel>("Total")->text(), "Since the window opened: 1 programmed, 0 failed, 2 left alone");
    EXPECT_EQ(Usable(), (std::vector<std::string>{"Load", "Program all", "Watch", "Exit"}));

    // Watching: the toggle is down, and turns the watch off again.
    Click("Watch");
    EXPECT_TRUE(Button("Watch")->isChecked());
    EXPECT_EQ(Usable(), (std::vector<std::string>{"Watch", "Stop", "Exit"}));
    Until([&] { return Widget<QLabel>("COM1 counts")->text() == "2 programmed, 0 failed"; });
    EXPECT_EQ(Status(1), "Programmed: 40 records");
    Click("Watch");
    Until([&] { return Idle(); });
    EXPECT_FALSE(Button("Watch")->isChecked());
}

TEST_F(BenchWindowTest, ADisarmedSlotIsLeftOutAndRetryFailedProgramsTheFailedTavBlind) {
    lines.profiles[0] = sim::TavProfile{.major = 2, .minor = 0};
    lines.faults[0].unplugAfterRecords = 10;  // goes silent mid-transfer
    lines.profiles[1] = sim::TavProfile{.major = 2, .minor = 0};
    lines.profiles[2] = sim::TavProfile{};
    lines.busy[2] = true;
    Open();
    LoadTheFile();

    ClickArmed(2);
    EXPECT_FALSE(Widget<QCheckBox>("COM2")->isChecked());
    Click("Program all");
    Until([&] { return Idle(); });
    EXPECT_EQ(Status(1).substr(0, 8), "Failed: ");
    EXPECT_EQ(Drawn(1), "Red");
    EXPECT_EQ(Status(2), "Waiting for a tav") << "disarmed: not searched";
    EXPECT_EQ(Status(3), "In use by another program");
    EXPECT_EQ(Drawn(3), "Grey");
    EXPECT_EQ(Usable(), (std::vector<std::string>{"Load", "Program all", "Watch", "Retry failed", "Exit"}));

    // Retry failed is for armed slots only.
    ClickArmed(1);
    EXPECT_FALSE(Button("Retry failed")->isEnabled());
    ClickArmed(1);

    // A tav whose programming failed answers no identification: it is programmed blind.
    {
        std::lock_guard lock(linesMutex);
        lines.faults[0] = {.loaderOnly = true};
    }
    dialogs.ExpectBox("Warning", EmergencyWarning());
    Click("Retry failed");
    Until([&] { return Idle(); });
    dialogs.VerifyAndClear();
    EXPECT_EQ(Status(1), "Programmed: 40 records");
    EXPECT_EQ(Widget<QLabel>("COM1 counts")->text(), "1 programmed, 1 failed");
    EXPECT_EQ(Status(2), "Waiting for a tav");
}

TEST_F(BenchWindowTest, TheKeyboardReachesEveryCommandAndEveryControlIsNamed) {
    lines.profiles[0] = sim::TavProfile{.major = 2, .minor = 0};
    Open();
    LoadTheFile();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    for (int port = 1; port <= kSlots; ++port) {
        const QString com = QString("COM%1").arg(port);
        for (const QString& name : {com, com + " device", com + " status", com + " progress", com + " counts"})
            EXPECT_EQ(Widget(name)->accessibleName(), name);
        EXPECT_EQ(Widget<QCheckBox>(com)->text(), com);
    }
    for (const char* caption : {"Load", "Program all", "Watch", "Retry failed", "Stop", "Exit"})
        EXPECT_EQ(Button(caption)->accessibleName(), caption);
    EXPECT_EQ(Widget("COM1 status")->accessibleDescription(), "Waiting for a tav") << "what a screen reader reads";

    // Down the slots, then the buttons; Tab passes over what cannot be used.
    Widget("COM1")->setFocus();
    std::vector<std::string> tabbed;
    for (int i = 0; i < 8; ++i) {
        QTest::keyClick(window->focusWidget(), Qt::Key_Tab);
        tabbed.push_back(window->focusWidget()->objectName().toStdString());
    }
    EXPECT_EQ(tabbed,
              (std::vector<std::string>{"COM2", "COM3", "COM4", "Load", "Program all", "Watch", "Exit", "COM1"}));

    // Space toggles the focused check box and presses the focused button.
    QTest::keyClick(window->focusWidget(), Qt::Key_Space);
    EXPECT_FALSE(model->View().slots[0].armed);
    QTest::keyClick(window->focusWidget(), Qt::Key_Space);
    EXPECT_TRUE(model->View().slots[0].armed);
    // While the search runs the focus is on Stop, never on Exit; then back on Program all.
    Button("Program all")->setFocus();
    QTest::keyClick(window->focusWidget(), Qt::Key_Space);
    EXPECT_EQ(window->focusWidget(), Button("Stop"));
    Until([&] { return Idle() && Status(1) == "Programmed: 40 records"; });
    EXPECT_EQ(window->focusWidget(), Button("Program all"));
}

TEST_F(BenchWindowTest, ClosingWhileTheBenchRunsWaitsForItToStopAndThenGoes) {
    lines.profiles[0] = sim::TavProfile{.major = 2, .minor = 0};
    Open();
    LoadTheFile();
    // Idle: the window goes at once.
    Click("Watch");
    window->close();
    EXPECT_TRUE(window->isVisible()) << "still watching";
    EXPECT_TRUE(Usable().empty()) << "closing: nothing more";
    Until([&] { return !window->isVisible(); });
    EXPECT_TRUE(model->ReadyToClose());
}

TEST_F(BenchWindowTest, AnIdleBenchClosesAtOnce) {
    Open();
    Click("Exit");
    EXPECT_FALSE(window->isVisible());
}

}  // namespace
}  // namespace vantrel::test
