// The window on the offscreen platform: it shows the model, a click reaches a handler only
// when the model lets the control be used, and closing the window ends the program even
// while a handler waits.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>
#include <map>
#include <optional>
#include <thread>
#include <xcb/xcb.h>

#include "QtRig.h"
#include "TavsimProcess.h"
#include "app/CommandScope.h"
#include "posix/TerminationSignals.h"
#include "qt/CommandLineText.h"
#include "qt/DisplayLoss.h"
#include "qt/FileDialogFilter.h"
#include "qt/MainWindow.h"
#include "qt/NativeWindowLoss.h"
#include "qt/QtDialogs.h"
#include "qt/ShownText.h"
#include "support/ScopedEnv.h"

namespace vantrel::test {
namespace {

class MainWindowTest : public ::testing::Test, public QtModel {};

// What the X server tells a client that watches a window when it has been destroyed.
xcb_destroy_notify_event_t DestroyNotify(QWidget& window) {
    xcb_destroy_notify_event_t destroyed{};
    destroyed.response_type = XCB_DESTROY_NOTIFY;
    destroyed.event = destroyed.window = static_cast<xcb_window_t>(window.winId());
    return destroyed;
}

TEST_F(MainWindowTest, ShowsTheModelAndOnlyUsableControlsReachTheirHandlers) {
    Form_Load(w);
    std::map<std::string, int> calls;
    std::function<void(Bootstrap&)> onLoad;
    const auto counting = [&calls](const char* name) { return [&calls, name](Bootstrap&) { ++calls[name]; }; };
    MainWindow window(w, pump,
                      {.Load = [&](Bootstrap& b) { ++calls["Load"], onLoad ? onLoad(b) : void(); },
                       .search = counting("search"), .Emergency = counting("Emergency"),
                       .ProgramTav = counting("ProgramTav"), .Exit = counting("Exit"),
                       .Option1 = [&](Bootstrap&, std::int16_t i) { ++calls["Option1(" + std::to_string(i) + ")"]; }});
    window.show();
    const auto view = [&window](const Control& c) { return window.WidgetOf(c); };
    const auto click = [&view](const Control& c) { QTest::mouseClick(view(c), Qt::LeftButton); };

    EXPECT_EQ(window.windowTitle(), "Vantrel 1.1.12");
    for (const Control* c : {&w.Load, &w.Exit}) EXPECT_TRUE(view(*c)->isEnabled()) << c->Name;
    for (const Control* c : {&w.search, &w.ProgramTav, &w.Emergency}) EXPECT_FALSE(view(*c)->isEnabled()) << c->Name;
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(view(w.Option1[i])->isVisible()) << "row " << i;
        EXPECT_FALSE(view(w.TavType[i])->isVisible()) << "row " << i;
    }

    // Disabled, or enabled but under the search cover: neither mouse nor keyboard nor a
    // stray signal reaches a handler.
    click(w.ProgramTav);
    click(w.Emergency);
    w.search.Enabled = w.Blanking[3].Visible = true;
    window.Sync();
    click(w.search);
    QTest::keyClick(view(w.search), Qt::Key_Space);
    Q_EMIT qobject_cast<QPushButton*>(view(w.search))->clicked();
    EXPECT_TRUE(calls.empty());
    w.Blanking[3].Visible = false;
    window.Sync();
    click(w.search);
    EXPECT_EQ(calls["search"], 1);

    // Rows: re-clicking the selected one is no new selection; a covered or disabled one is not selectable.
    for (int i = 0; i < 4; ++i) w.Option1[i].Visible = w.TavType[i].Visible = true;
    w.Blanking[1].Visible = true;
    w.Option1[3].Enabled = false;
    window.Sync();
    for (int i : {2, 2, 1, 3}) click(w.Option1[i]);
    EXPECT_EQ(calls["Option1(2)"], 1);
    EXPECT_EQ(calls["Option1(1)"] + calls["Option1(3)"], 0);
    EXPECT_EQ(w.Option1[2].Value, 1);

    // Tab follows the screen, rows before the buttons, and passes over what cannot be used.
    w.ProgramTav.Enabled = w.Emergency.Enabled = true;
    window.Sync();
    const auto callsBefore = calls;
    view(w.Option1[0])->setFocus();
    std::vector<std::string> tabbed;
    for (int i = 0; i < 7; ++i) {
        QTest::keyClick(window.focusWidget(), Qt::Key_Tab);
        tabbed.push_back(window.focusWidget()->objectName().toStdString());
    }
    EXPECT_EQ(tabbed, (std::vector<std::string>{"Option1(2)", "search", "Emergency", "ProgramTav", "Load", "Exit",
                                            "Option1(0)"}));
    EXPECT_EQ(calls, callsBefore) << "Tab presses nothing";

    // While a command runs, the other commands' buttons and rows are greyed and take no
    // click; Exit stays usable. Afterwards they are as the model left them.
    std::vector<std::string> usableInside;
    onLoad = [&](Bootstrap& b) {
        const CommandScope command(b);
        QTimer::singleShot(10, &window, [&] {
            window.Sync();  // as the pump does before it sleeps, not always before a timer's turn
            for (const Control* c : {&w.search, &w.Load, &w.Option1[0], &w.Exit})
                if (view(*c)->isEnabled()) usableInside.push_back(c->Name);
            click(w.search);
            click(w.Option1[0]);
        });
        b.Wire.Pause(100);
    };
    click(w.Load);
    EXPECT_EQ(usableInside, std::vector<std::string>{"Exit"});
    EXPECT_EQ(calls["search"] + calls["Option1(0)"], 1);
    for (const Control* c : {&w.search, &w.Load, &w.Option1[0]}) EXPECT_TRUE(view(*c)->isEnabled()) << c->Name;

    // A failure escaping a handler is shown, and the window stays usable.
    onLoad = [](Bootstrap&) { throw std::runtime_error("disk on fire"); };
    dialogs.ExpectBox("Error!", "disk on fire");
    click(w.Load);
    dialogs.VerifyAndClear();

    // Closing the window while a handler waits unwinds the handler, and every later wait.
    bool pastTheWait = false;
    onLoad = [&pastTheWait](Bootstrap& b) { b.Wire.Pause(5000), pastTheWait = true; };
    QTimer::singleShot(10, &window, [&window] { window.close(); });
    click(w.Load);
    EXPECT_EQ(calls["Load"], 3);
    EXPECT_FALSE(pastTheWait);
    EXPECT_TRUE(w.Ended);
    EXPECT_FALSE(window.isVisible());
    EXPECT_THROW(w.Wire.Pause(10), ProgramEnding);
}

// A keyboard-only user: after each command the focus is on the step that comes next, so
// a space works without a Tab first; Tab goes down the screen. A handler that greys the
// focused button does not leave the focus where the view handed it on (Exit), and a
// timer's turn does not take the focus from where the user put it.
TEST_F(MainWindowTest, AKeyboardAloneSearchesChoosesAndProgramsATav) {
    QTemporaryDir dir;
    TavsimProcess tav(VANTREL_TAVSIM, {"--reply", "11", "--version", "2.0"}, dir.filePath("tav.json"));
    const ScopedEnv com1("VANTREL_COM1", tav.SlavePath().c_str()), com2("VANTREL_COM2", "none"),
        com3("VANTREL_COM3", "none"), com4("VANTREL_COM4", "none");
    Form_Load(w);
    // As a load of a file for this tav's type, with newer code, leaves the window.
    w.TargetReply = 0x11;
    w.Text2.Caption = "Version 2.5";
    w.RecordCount = 12;
    for (std::size_t i = 0; i < 12; ++i)
        w.Records[i] = {static_cast<std::int16_t>(8 * i), {static_cast<std::uint8_t>(i), 0xA5}};
    w.search.Enabled = w.Emergency.Enabled = true;
    MainWindow window(w, pump);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const auto focused = [&window] {
        return window.focusWidget() ? window.focusWidget()->objectName().toStdString() : std::string("none");
    };
    const auto key = [&window](Qt::Key k) {
        QWidget* to = window.focusWidget();
        QTest::keyClick(to ? to : &window, k);
    };

    window.WidgetOf(w.search)->setFocus();
    key(Qt::Key_Space);
    EXPECT_TRUE(w.Option1[0].Enabled);
    EXPECT_EQ(focused(), "Option1(0)") << "the row the search found";

    key(Qt::Key_Space);
    EXPECT_EQ(w.Option1[0].Value, 1);
    EXPECT_EQ(focused(), "Option1(0)");
    std::vector<std::string> tabbed;
    for (int i = 0; i < 3; ++i) key(Qt::Key_Tab), tabbed.push_back(focused());
    EXPECT_EQ(tabbed, (std::vector<std::string>{"search", "Emergency", "ProgramTav"}));

    dialogs.ExpectBox("OK! ", "Tav reprogram suceeded");
    key(Qt::Key_Space);
    dialogs.VerifyAndClear();
    EXPECT_EQ(tav.StopAndReport().records.size(), 12u);
    EXPECT_EQ(focused(), "Option1(0)") << "the row still selected, not Program again";

    // A load cancelled in the file dialog leaves Load and Exit: the focus is back on Load,
    // though the view had handed it to Exit while Load was greyed.
    for (int i = 0; i < 4; ++i) key(Qt::Key_Tab);
    ASSERT_EQ(focused(), "Load");
    dialogs.ExpectOpen("");
    key(Qt::Key_Space);
    dialogs.VerifyAndClear();
    EXPECT_FALSE(w.Option1[0].Visible);
    EXPECT_EQ(focused(), "Load");

    key(Qt::Key_Tab);
    w.Timer1.SetEnabled(false);  // as the last wait left it: armed for its own length
    w.Timer1.SetInterval(100);
    w.Timer1.SetEnabled(true);
    window.ArmTimers();
    QTest::qWait(250);
    EXPECT_FALSE(w.Timer1.Enabled()) << "its turn came";
    EXPECT_EQ(focused(), "Exit");
}

// Only the X server's word that this very window is gone counts, and it is told once,
// from the event loop rather than from inside Qt's handling of the event.
TEST_F(MainWindowTest, ANativeWindowIsLostOnlyWhenTheServerDestroysIt) {
    QWidget window, another;
    window.show(), another.show();
    int lost = 0;
    NativeWindowLoss loss(window, [&lost] { ++lost; });
    auto destroyed = DestroyNotify(window), sent = destroyed, elsewhere = DestroyNotify(another);
    sent.response_type |= 0x80;  // sent by a client: destroys nothing
    for (auto* e : {&sent, &elsewhere}) EXPECT_FALSE(loss.nativeEventFilter("xcb_generic_event_t", e, nullptr));
    EXPECT_FALSE(loss.nativeEventFilter("windows_generic_MSG", &destroyed, nullptr));
    QCoreApplication::processEvents();
    EXPECT_EQ(lost, 0);

    EXPECT_FALSE(loss.nativeEventFilter("xcb_generic_event_t", &destroyed, nullptr)) << "Qt sees it too";
    EXPECT_EQ(lost, 0);
    QCoreApplication::processEvents();
    loss.nativeEventFilter("xcb_generic_event_t", &destroyed, nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(lost, 1);
}

// Qt's warning that the display's connection broke is the program's last moment: it is
// acted on once, on the window's thread, only while the connection has indeed failed,
// and every message still reaches the handler that was there before.
TEST(DisplayLossTest, OnlyAWarningOnTheWindowsThreadWithTheConnectionBrokenCounts) {
    TestApp();
    static std::vector<std::string> passedOn;
    passedOn.clear();
    const QtMessageHandler before = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext&, const QString& text) { passedOn.push_back(text.toStdString()); });
    bool broken = false;
    int lost = 0;
    {
        const DisplayLoss loss([&lost] { ++lost; }, [&broken] { return broken; });
        qWarning("while the connection stands");
        broken = true;
        qDebug("not a warning");
        std::thread([] { qWarning("from another thread"); }).join();
        EXPECT_EQ(lost, 0);
        qWarning("The X11 connection broke (error 1). Did the X11 server die?");
        qCritical("and again");
        EXPECT_EQ(lost, 1) << "told once";
        EXPECT_FALSE(DisplayLoss::X11ConnectionBroken()) << "no X11 connection on the offscreen platform";
    }
    qWarning("after it");
    qInstallMessageHandler(before);
    EXPECT_EQ(passedOn, (std::vector<std::string>{"while the connection stands", "not a warning", "from another thread",
                                                  "The X11 connection broke (error 1). Did the X11 server die?",
                                                  "and again", "after it"}));
}

// With the window gone a box would stand alone until someone answers it: it goes to the
// standard error, answered with its safe button, and no file is asked for.
TEST_F(MainWindowTest, OnceTheWindowIsLostBoxesGoToTheStandardError) {
    QtDialogs shown;
    shown.SetWindowLost();
    // Were a dialog shown after all, it is shut rather than left to hang the suite.
    QTimer guard;
    QObject::connect(&guard, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
    guard.start(2000);
    testing::internal::CaptureStderr();
    EXPECT_EQ(shown.MsgBox("Tav failed to reprogram", BoxStyle::OkExclamation, "Error!"), BoxAnswer::Ok);
    EXPECT_EQ(shown.MsgBox("Do you wish to proceed?", BoxStyle::OkCancel, "Warning"), BoxAnswer::Cancel);
    EXPECT_EQ(shown.ShowOpen("PHX (*.PHX)| *.phx", true), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "vantrel: Error! Tav failed to reprogram\nvantrel: Warning Do you wish to proceed?\n");
}

// Closing the window, a termination signal, the native window destroyed from outside, or
// the display lost, while a tav is programmed: the transfer stops at a record boundary and
// the flow reports and restarts the tav before the window goes. A second close changes
// nothing; a second signal ends the program at once. When the display is lost Qt ends the
// program itself as soon as its warning has been told: by then the tav has been restarted.
TEST_F(MainWindowTest, ClosingWhileATavIsProgrammedStopsTheTransferFirst) {
    enum class Way { CloseBoxTwice, Signal, SignalTwice, NativeWindowDestroyed, DisplayLost };
    for (Way way : {Way::CloseBoxTwice, Way::Signal, Way::SignalTwice, Way::NativeWindowDestroyed, Way::DisplayLost}) {
        SCOPED_TRACE(static_cast<int>(way));
        QtModel m;
        QTemporaryDir dir;
        TavsimProcess tav(VANTREL_TAVSIM, {"--reply", "11", "--version", "2.0"}, dir.filePath("tav.json"));
        const ScopedEnv com2("VANTREL_COM2", tav.SlavePath().c_str());
        Form_Load(m.w);
        m.w.TargetReply = 0x11;
        m.w.RecordCount = 40;
        for (std::size_t i = 0; i < 40; ++i)
            m.w.Records[i] = {static_cast<std::int16_t>(8 * i), {static_cast<std::uint8_t>(i), 0x5A}};
        m.w.Option1[1].Visible = m.w.Option1[1].Enabled = m.w.ProgramTav.Enabled = true;
        m.w.Option1[1].Value = 1;
        MainWindow window(m.w, m.pump);
        TerminationSignals terminations([&window] { window.TerminationSignal(); });
        NativeWindowLoss loss(window, [&window] { window.WindowLost(); });
        std::optional<ProgrammingRun> whenQtWouldEnd;
        const DisplayLoss displayLoss(
            [&] {
                m.transfer.FinishWithoutWindow();
                whenQtWouldEnd = m.w.Programming;
            },
            [way] { return way == Way::DisplayLost; });
        window.show();

        bool stillOpen = false;
        std::function<void()> cutAtThird = [&] {
            if (m.w.Programming.RecordsAcknowledged < 3) return void(QTimer::singleShot(1, &window, cutAtThird));
            if (way == Way::CloseBoxTwice) window.close(), window.close();
            if (way == Way::Signal || way == Way::SignalTwice) ::raise(SIGTERM);
            if (way == Way::SignalTwice) ::raise(SIGTERM);
            if (way == Way::NativeWindowDestroyed) {
                auto destroyed = DestroyNotify(window);
                loss.nativeEventFilter("xcb_generic_event_t", &destroyed, nullptr);
            }
            if (way == Way::DisplayLost) {
                testing::internal::CaptureStderr();
                qWarning("The X11 connection broke (error 1). Did the X11 server die?");
                EXPECT_THAT(testing::internal::GetCapturedStderr(), testing::HasSubstr("connection broke"));
            }
            QTimer::singleShot(1, &window, [&] { stillOpen = window.isVisible(); });
        };
        QTimer::singleShot(1, &window, cutAtThird);
        if (way != Way::SignalTwice) m.dialogs.ExpectBox("Error!", "Tav failed to reprogram. Tav must be programmed to operate");
        QTest::mouseClick(window.WidgetOf(m.w.ProgramTav), Qt::LeftButton);

        // In the test Qt does not end the program after the display's warning: the window stays.
        const bool ends = way != Way::DisplayLost;
        EXPECT_EQ(m.w.Ended, ends);
        EXPECT_EQ(window.isVisible(), !ends);
        EXPECT_FALSE(m.port.PortOpen());
        // After the display's warning nothing more of the window's runs: Qt is ending the program.
        EXPECT_EQ(stillOpen, way != Way::SignalTwice && way != Way::DisplayLost);
        const TavsimReport report = tav.StopAndReport();
        // Ended at once, the tav may have taken the block in flight too.
        const auto acknowledged = static_cast<std::size_t>(m.w.Programming.RecordsAcknowledged);
        EXPECT_GE(acknowledged, 3u);
        EXPECT_TRUE(report.records.size() == acknowledged ||
                    (way == Way::SignalTwice && report.records.size() == acknowledged + 1));
        EXPECT_EQ(report.counts["restarts"].toInt(), way == Way::SignalTwice ? 0 : 1);
        EXPECT_EQ(report.counts["completions"].toInt(), 0);
        EXPECT_EQ(whenQtWouldEnd.has_value(), way == Way::DisplayLost);
        if (whenQtWouldEnd) {
            EXPECT_EQ(whenQtWouldEnd->Outcome, ProgrammingRun::Ending::Stopped);
            EXPECT_EQ(whenQtWouldEnd->TavRestart, ProgrammingRun::Restart::Confirmed);
            EXPECT_EQ(whenQtWouldEnd->RecordsAcknowledged, m.w.Programming.RecordsAcknowledged);
        }
    }
}

TEST(PlatformTextsTest, ShownTextsFileFiltersAndTheCommandLine) {
    // Kept as bytes; shown as UTF-8 when they are valid UTF-8, else each byte as Latin-1.
    const std::vector<std::pair<std::string, std::u16string>> shown = {
        {"Tav model 05 2.5", u"Tav model 05 2.5"},
        {"M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80", u"M\u00FCller \u20AC \U0001F600"},  // 2, 3, 4 bytes
        {"M\xFCller", u"M\u00FCller"},                        // Latin-1
        {"caf\xC3\xA9 \xE9", u"caf\u00C3\u00A9 \u00E9"},      // not all UTF-8: all Latin-1
        {"\xC0\xAF", u"\u00C0\u00AF"},                         // overlong '/'
        {"\xE0\x80\xAF", u"\u00E0\u0080\u00AF"},               // overlong '/' in 3 bytes
        {"\xED\xA0\x80", u"\u00ED\u00A0\u0080"},               // a UTF-16 surrogate
        {"\xF4\x90\x80\x80", u"\u00F4\u0090\u0080\u0080"},     // beyond U+10FFFF
        {"ab\xC3", u"ab\u00C3"},                              // cut short
    };
    for (const auto& [bytes, text] : shown) EXPECT_EQ(ShownText(bytes), QString::fromStdU16String(text)) << bytes;

    EXPECT_EQ(ToQtFileFilter("Fw| *.phx;*.hex|All|*.*").toStdString(), "Fw (*.phx *.hex);;All (*.*)");
    char program[] = "vantrel", first[] = "\"/home/eng/My", second[] = "Files/QX400.PHX\"";
    char* argv[] = {program, first, second, nullptr};
    EXPECT_EQ(CommandLineText(3, argv), "\"/home/eng/My Files/QX400.PHX\"");
    EXPECT_EQ(AfterProgramName("\"C:\\Program Files\\vantrel.exe\"  \"C:\\fw\\QX 4.PHX\""), "\"C:\\fw\\QX 4.PHX\"");
}

}  // namespace
}  // namespace vantrel::test
