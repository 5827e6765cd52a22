// The window after start-up, the display reset and the end of the program.

#include <gtest/gtest.h>

#include "app/Bootstrap.h"
#include "app/Commands.h"
#include "support/SimWindow.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;

// A window before Form_Load, so that start-up itself can be watched.
struct FreshWindow {
    explicit FreshWindow(std::string commandLine = {})
        : w(port, pump, dialogs, registry, std::move(commandLine)) {}

    test::ScratchRegistry registry;
    sim::VirtualPump pump;
    sim::VirtualSerialPort port{pump};
    test::ScriptedDialogs dialogs;
    Bootstrap w;
};

TEST(Startup, WithoutArgumentsTheWindowIsEmptyAndOnlyLoadAndExitWork) {
    FreshWindow f;
    Form_Load(f.w);
    const Bootstrap& w = f.w;

    EXPECT_EQ(w.Caption, "Vantrel 1.1.12");
    EXPECT_EQ(w.Types.TypeTable.size(), 35u);
    EXPECT_EQ(w.Text1.Caption, "");
    EXPECT_EQ(w.Text2.Caption, "");
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(w.Option1[i].Visible);
        EXPECT_FALSE(w.TavType[i].Visible);
        EXPECT_FALSE(w.Blanking[i].Visible);
    }
    EXPECT_FALSE(w.PleaseWait.Visible);
    EXPECT_FALSE(w.search.Enabled);
    EXPECT_FALSE(w.ProgramTav.Enabled);
    EXPECT_FALSE(w.Emergency.Enabled);
    EXPECT_TRUE(w.CanActivate(w.Load));
    EXPECT_TRUE(w.CanActivate(w.Exit));
    EXPECT_EQ(w.EmergencyMode, 0);
    EXPECT_FALSE(w.Timer2.Enabled());
    EXPECT_FALSE(w.MSComm1.PortOpen());
    EXPECT_TRUE(f.port.Log().empty());
}

TEST(Startup, ControlsCarryTheirFixedTexts) {
    FreshWindow f;
    Form_Load(f.w);
    const Bootstrap& w = f.w;

    EXPECT_EQ(w.Frame1.Caption, "Target Tav Type");
    EXPECT_EQ(w.Frame2.Caption, "Firmware Version");
    EXPECT_EQ(w.Frame3.Caption, "Tavs");
    EXPECT_EQ(w.search.Caption, "Search for Tav");
    EXPECT_EQ(w.ProgramTav.Caption, "Program Tav");
    EXPECT_EQ(w.Load.Caption, "Load");
    EXPECT_EQ(w.Exit.Caption, "Exit");
    EXPECT_EQ(w.Emergency.Caption, "Eme r gency");
    EXPECT_EQ(w.Label3.Caption, "Please wait programing tav");
    EXPECT_EQ(w.Label1.Caption, "Percentage complete");
    EXPECT_EQ(w.Label2.Caption, "0%");
    EXPECT_EQ(w.Blanking1.Caption, "Please Wait Searching for Tavs");
    EXPECT_EQ(w.Option1[2].Caption, "3");

    EXPECT_EQ(w.Text1.ToolTipText, "Type of tav required for this firmware file");
    EXPECT_EQ(w.Text2.ToolTipText, "Version of firmware contained in files");
    EXPECT_EQ(w.Option1[0].ToolTipText, "Click to set download to This Tav");
    EXPECT_EQ(w.TavType[3].ToolTipText, "Tav connected to this comm port");
    EXPECT_EQ(w.search.ToolTipText, "Search for tavs connected to this PC");
    EXPECT_EQ(w.ProgramTav.ToolTipText, "Program selected tav with this firmware");
    EXPECT_EQ(w.Load.ToolTipText, "Load Tav firmware file (*.PHX)");
    EXPECT_EQ(w.Exit.ToolTipText, "Close and exit  vantrel");
    EXPECT_EQ(w.Emergency.ToolTipText, "Emergency mode reprogram, use when tav cannot be located.");

    EXPECT_EQ(w.ProgressBar1.Min, 0);
    EXPECT_EQ(w.ProgressBar1.Max, 1000);
    EXPECT_EQ(w.ProgressBar1.Value, 0);
}

TEST(Startup, PanelsAreMovedIntoTheColumnAndStackedAboveEverything) {
    FreshWindow f;
    Form_Load(f.w);
    Bootstrap& w = f.w;

    for (const auto& panel : w.Blanking) EXPECT_EQ(panel.Left, w.Frame3.Left);
    EXPECT_EQ(w.PleaseWait.Left, w.Frame3.Left);

    const auto& order = w.StackingOrder();
    ASSERT_GE(order.size(), 5u);
    EXPECT_EQ(order.back(), &w.PleaseWait);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(order[order.size() - 5 + i], &w.Blanking[i]);
}

TEST(Startup, ACommandLineLoadsItsFileHalfASecondAfterStartUpOrOnceARunningCommandHasReturned) {
    FreshWindow f("/no/such/file.PHX");
    Form_Load(f.w);
    ASSERT_TRUE(f.w.Timer2.Enabled());

    f.pump.AdvanceTo(499ms);
    f.w.FireDueTimers();
    EXPECT_TRUE(f.dialogs.Shown().empty());

    f.dialogs.ExpectBox("Error!", "Cannot open Hex file");
    f.pump.AdvanceTo(500ms);
    f.w.FireDueTimers();
    EXPECT_FALSE(f.w.Timer2.Enabled());  // fires once only

    // Falling due inside another command's waits (a search over a silent port, 1630 ms),
    // the load waits for that command to return, and is not lost.
    FreshWindow busy("/no/such/file.PHX");
    Form_Load(busy.w);
    busy.port.AddEmptyPort(1);
    busy.pump.AdvanceTo(400ms);
    search_Click(busy.w);
    EXPECT_EQ(busy.pump.Now(), 2030ms);
    EXPECT_TRUE(busy.dialogs.Shown().empty());
    EXPECT_LE(busy.w.NextTimerDue(Instant::max()), busy.pump.Now());
    busy.dialogs.ExpectBox("Error!", "Cannot open Hex file");
    busy.w.FireDueTimers();
    EXPECT_FALSE(busy.w.Timer2.Enabled());
}

TEST(Startup, ResetDisplayKeepsSearchResultsBehindTheHiddenRows) {
    test::SimWindow s;
    Bootstrap& w = s.w;
    w.TavType[1].Caption = "Tav model 05 2.5";
    w.TavType[1].Visible = w.Option1[1].Visible = true;
    w.Option1[1].Value = 1;
    w.TavVersion[1] = 2.5f;
    w.EmergencyMode = VbTrue;
    w.search.Enabled = w.ProgramTav.Enabled = w.Emergency.Enabled = true;
    w.Text1.Caption = "Tav model 05";

    ResetDisplay(w);

    EXPECT_FALSE(w.TavType[1].Visible);
    EXPECT_FALSE(w.Option1[1].Visible);
    EXPECT_FALSE(w.search.Enabled);
    EXPECT_FALSE(w.ProgramTav.Enabled);
    EXPECT_FALSE(w.Emergency.Enabled);
    EXPECT_EQ(w.Text1.Caption, "");
    EXPECT_EQ(w.TavType[1].Caption, "Tav model 05 2.5");
    EXPECT_EQ(w.Option1[1].Value, 1);
    EXPECT_EQ(w.TavVersion[1], 2.5f);
    EXPECT_EQ(w.EmergencyMode, VbTrue);
}

TEST(Startup, ExitClosesAnOpenPortAndTouchesNoneOtherwise) {
    test::SimWindow closed;
    Exit_Click(closed.w);
    EXPECT_TRUE(closed.w.Ended);
    EXPECT_TRUE(closed.port.Log().empty());

    test::SimWindow open;
    open.port.AddEmptyPort(2);
    open.w.MSComm1.SetCommPort(2);
    open.w.MSComm1.SetPortOpen(true);
    Exit_Click(open.w);
    EXPECT_TRUE(open.w.Ended);
    EXPECT_FALSE(open.w.MSComm1.PortOpen());
    EXPECT_EQ(open.port.Log().back().kind, sim::VirtualSerialPort::WireEvent::Kind::Close);
}

}  // namespace
}  // namespace vantrel
