// The window on the offscreen platform: it shows the model, clicks reach a handler only
// when the model lets the control be used, the covers lie over what they cover, and the
// window's close box ends the program even while a handler waits.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <stdexcept>

#include "NullRegistryStore.h"
#include "TestApp.h"
#include "app/Bootstrap.h"
#include "qt/MainWindow.h"
#include "qt/QtEventPump.h"
#include "qt/QtSerialPort.h"
#include "serial/Waits.h"
#include "support/ScriptedDialogs.h"

namespace vantrel::test {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        TestApp();
        Form_Load(w);
    }

    // Handlers that count their calls; `onLoad` lets a test give Load something to do.
    WindowHandlers CountingHandlers() {
        WindowHandlers h;
        h.Load = [this](Bootstrap& b) {
            ++calls["Load"];
            if (onLoad) onLoad(b);
        };
        h.search = [this](Bootstrap&) { ++calls["search"]; };
        h.Emergency = [this](Bootstrap&) { ++calls["Emergency"]; };
        h.ProgramTav = [this](Bootstrap&) { ++calls["ProgramTav"]; };
        h.Exit = [this](Bootstrap& b) {
            ++calls["Exit"];
            Exit_Click(b);
        };
        h.Option1 = [this](Bootstrap& b, std::int16_t index) {
            ++calls["Option1"];
            lastOption = index;
            if (onOption) onOption(b, index);
        };
        return h;
    }

    MainWindow& Window() {
        if (!window) {
            window = std::make_unique<MainWindow>(w, pump, CountingHandlers());
            window->show();
        }
        return *window;
    }
    template <class W = QWidget>
    W* View(const Control& c) {
        return qobject_cast<W*>(Window().WidgetOf(c));
    }
    // What a click at the middle of the control would hit.
    QWidget* TopmostAt(const Control& c) {
        QWidget* view = View(c);
        return Window().childAt(view->mapTo(&Window(), view->rect().center()));
    }
    void ShowRows() {
        for (int i = 0; i < 4; ++i) {
            w.Option1[i].Visible = w.TavType[i].Visible = true;
            w.TavType[i].Caption = "Row " + std::to_string(i) + " 2.5";
        }
        Window().Sync();
    }

    QtSerialPort port;
    QtEventPump pump;
    ScriptedDialogs dialogs;
    NullRegistryStore registry;
    Bootstrap w{port, pump, dialogs, registry};
    std::unique_ptr<MainWindow> window;
    std::map<std::string, int> calls;
    int lastOption = -1;
    std::function<void(Bootstrap&)> onLoad;
    std::function<void(Bootstrap&, std::int16_t)> onOption;
};

TEST_F(MainWindowTest, ShowsTheStartUpStateOfTheModel) {
    EXPECT_EQ(Window().windowTitle(), "Vantrel 1.1.12");
    EXPECT_EQ(Window().size(), QSize(190, 340));  // 2850 x 5100 twips at 96 dpi

    EXPECT_TRUE(View(w.Load)->isEnabled());
    EXPECT_TRUE(View(w.Exit)->isEnabled());
    EXPECT_FALSE(View(w.search)->isEnabled());
    EXPECT_FALSE(View(w.ProgramTav)->isEnabled());
    EXPECT_FALSE(View(w.Emergency)->isEnabled());
    EXPECT_EQ(View<QPushButton>(w.search)->text(), "Search for Tav");
    EXPECT_EQ(View<QPushButton>(w.Emergency)->text(), "Eme r gency");
    EXPECT_EQ(View(w.Exit)->toolTip(), "Close and exit  vantrel");
    EXPECT_EQ(View(w.Text1)->toolTip(), "Type of tav required for this firmware file");
    EXPECT_EQ(View<QLineEdit>(w.Text2)->alignment(), Qt::AlignCenter);
    EXPECT_TRUE(View<QLineEdit>(w.Text1)->isReadOnly());
    EXPECT_TRUE(View<QLineEdit>(w.Text1)->text().isEmpty());

    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(View(w.Option1[i])->isVisible());
        EXPECT_FALSE(View(w.TavType[i])->isVisible());
        EXPECT_FALSE(View(w.Blanking[i])->isVisible());
    }
    EXPECT_FALSE(View(w.PleaseWait)->isVisible());
    EXPECT_EQ(View(w.Frame4)->geometry(), QRect(8, 192, 177, 145));  // 120, 2880, 2655, 2175 twips
    EXPECT_EQ(View(w.Emergency)->geometry(), QRect(152, 16, 17, 121));
}

TEST_F(MainWindowTest, FollowsTheModelAfterEverySync) {
    w.Text2.Caption = "Version 3.4";
    w.Label2.Caption = "57%";
    w.ProgressBar1.Value = 570;
    w.PleaseWait.Visible = true;
    w.Caption = "Vantrel \xE9";  // Latin-1 text
    Window().Sync();
    EXPECT_EQ(View<QLineEdit>(w.Text2)->text(), "Version 3.4");
    EXPECT_EQ(View<QLabel>(w.Label2)->text(), "57%");
    EXPECT_EQ(View<QProgressBar>(w.ProgressBar1)->value(), 570);
    EXPECT_EQ(View<QProgressBar>(w.ProgressBar1)->maximum(), 1000);
    EXPECT_EQ(View<QProgressBar>(w.ProgressBar1)->orientation(), Qt::Vertical);
    EXPECT_TRUE(View(w.Label3)->isVisible());
    EXPECT_EQ(Window().windowTitle(), QString::fromUtf8("Vantrel \u00E9"));
}

TEST_F(MainWindowTest, ClicksReachOnlyControlsThatMayBeUsed) {
    QTest::mouseClick(View(w.ProgramTav), Qt::LeftButton);
    QTest::mouseClick(View(w.Emergency), Qt::LeftButton);
    EXPECT_EQ(calls["ProgramTav"] + calls["Emergency"], 0);

    // Enabled but covered by the search cover: neither mouse nor keyboard nor a stray
    // signal reaches the handler.
    w.search.Enabled = true;
    w.Blanking[3].Visible = true;
    Window().Sync();
    QTest::mouseClick(View(w.search), Qt::LeftButton);
    View(w.search)->setFocus();
    QTest::keyClick(View(w.search), Qt::Key_Space);
    emit View<QPushButton>(w.search)->clicked();
    EXPECT_EQ(calls["search"], 0);
    EXPECT_FALSE(View(w.search)->isEnabled());
    EXPECT_FALSE(View(w.search)->hasFocus());

    w.Blanking[3].Visible = false;
    Window().Sync();
    QTest::mouseClick(View(w.search), Qt::LeftButton);
    EXPECT_EQ(calls["search"], 1);
}

TEST_F(MainWindowTest, CoversLieOverWhatTheyCoverInStackingOrder) {
    ShowRows();
    EXPECT_EQ(TopmostAt(w.TavType[1]), View(w.TavType[1]));
    EXPECT_EQ(TopmostAt(w.Option1[0]), View(w.Option1[0]));

    w.Blanking[0].Visible = w.Blanking[1].Visible = true;
    Window().Sync();
    EXPECT_EQ(TopmostAt(w.TavType[1]), View(w.Blanking[1]));
    EXPECT_EQ(TopmostAt(w.Option1[0]), View(w.Blanking[0]));
    EXPECT_EQ(TopmostAt(w.TavType[2]), View(w.TavType[2]));
    EXPECT_FALSE(View(w.TavType[1])->isEnabled());
    EXPECT_EQ(View(w.Blanking[1])->x(), View(w.Frame3)->x());

    // The search cover over the buttons carries its label; PleaseWait lies above all.
    w.Blanking[3].Visible = true;
    Window().Sync();
    EXPECT_EQ(TopmostAt(w.Load), View(w.Blanking[3]));
    EXPECT_EQ(TopmostAt(w.Blanking1), View(w.Blanking1));
    EXPECT_EQ(View<QLabel>(w.Blanking1)->text(), "Please Wait Searching for Tavs");
    w.PleaseWait.Visible = true;
    Window().Sync();
    EXPECT_TRUE(View(w.PleaseWait)->isAncestorOf(TopmostAt(w.Blanking1)) ||
                TopmostAt(w.Blanking1) == View(w.PleaseWait));
}

TEST_F(MainWindowTest, AnOptionClickSelectsTheRowThenCallsTheHandler) {
    ShowRows();
    std::array<int, 4> seen{};
    onOption = [&seen](Bootstrap& b, std::int16_t) {
        for (int i = 0; i < 4; ++i) seen[i] = b.Option1[i].Value;
    };
    QTest::mouseClick(View(w.Option1[2]), Qt::LeftButton);
    EXPECT_EQ(calls["Option1"], 1);
    EXPECT_EQ(lastOption, 2);
    EXPECT_EQ(seen, (std::array<int, 4>{0, 0, 1, 0}));
    EXPECT_TRUE(View<QRadioButton>(w.Option1[2])->isChecked());

    // The handler takes the selection back (Cancel): the view follows, no row is checked.
    onOption = [](Bootstrap& b, std::int16_t index) { b.Option1[index].Value = 0; };
    QTest::mouseClick(View(w.Option1[0]), Qt::LeftButton);
    EXPECT_EQ(lastOption, 0);
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(View<QRadioButton>(w.Option1[i])->isChecked()) << i;
    EXPECT_EQ(w.Option1[2].Value, 0);

    // A disabled row is not selectable.
    w.Option1[3].Enabled = false;
    Window().Sync();
    QTest::mouseClick(View(w.Option1[3]), Qt::LeftButton);
    EXPECT_EQ(calls["Option1"], 2);
    EXPECT_EQ(w.Option1[3].Value, 0);
}

TEST_F(MainWindowTest, ClosingTheWindowDuringAWaitUnwindsTheHandler) {
    bool pastTheWait = false;
    onLoad = [&pastTheWait](Bootstrap& b) {
        Pause(b, 5000);
        pastTheWait = true;
    };
    QTimer::singleShot(10, &Window(), [this] { Window().close(); });
    QTest::mouseClick(View(w.Load), Qt::LeftButton);
    EXPECT_EQ(calls["Load"], 1);
    EXPECT_FALSE(pastTheWait);
    EXPECT_TRUE(w.Ended);
    EXPECT_TRUE(pump.EndRequested());
    EXPECT_FALSE(Window().isVisible());
}

TEST_F(MainWindowTest, ExitEndsTheProgramAndNoHandlerRunsAfterIt) {
    QTest::mouseClick(View(w.Exit), Qt::LeftButton);
    EXPECT_TRUE(w.Ended);
    EXPECT_FALSE(Window().isVisible());
    emit View<QPushButton>(w.Load)->clicked();
    EXPECT_EQ(calls["Load"], 0);
}

TEST_F(MainWindowTest, AFailureEscapingAHandlerIsShownAndTheWindowStaysUsable) {
    onLoad = [](Bootstrap&) { throw std::runtime_error("disk on fire"); };
    dialogs.ExpectBox("Error!", "disk on fire");
    QTest::mouseClick(View(w.Load), Qt::LeftButton);
    dialogs.VerifyAndClear();
    onLoad = nullptr;
    QTest::mouseClick(View(w.Load), Qt::LeftButton);
    EXPECT_EQ(calls["Load"], 2);
}

TEST_F(MainWindowTest, TheModelsTimersFireWhileTheWindowIsIdle) {
    Window();
    ASSERT_TRUE(w.Timer1.Enabled());  // armed at start for 100 ms
    EXPECT_TRUE(RunEventsUntil([this] { return !w.Timer1.Enabled(); }, 5000));
}

}  // namespace
}  // namespace vantrel::test
