// The search over COM1..COM4 in normal and emergency mode.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "discovery/SearchForTavs.h"
#include "support/SimWindow.h"

namespace vantrel::test {
namespace {

using namespace std::chrono_literals;
using Kind = sim::VirtualSerialPort::WireEvent::Kind;

sim::TavProfile Tav(std::uint8_t replyCode, std::uint8_t major, std::uint8_t minor, int baud = 9600) {
    sim::TavProfile p;
    p.replyCode = replyCode;
    p.major = major;
    p.minor = minor;
    p.baud = baud;
    return p;
}

class Search : public ::testing::Test {
protected:
    void ExpectRowHidden(int i) {
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_FALSE(w.TavType[i].Visible);
        EXPECT_FALSE(w.Option1[i].Visible);
        EXPECT_FALSE(w.Option1[i].Enabled);
        EXPECT_EQ(w.TavVersion[i], 0.0f);
    }
    void ExpectRow(int i, const std::string& text, bool selectable, float version) {
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_TRUE(w.TavType[i].Visible);
        EXPECT_TRUE(w.Option1[i].Visible);
        EXPECT_EQ(w.TavType[i].Caption, text);
        EXPECT_EQ(w.Option1[i].Enabled, selectable);
        EXPECT_EQ(w.TavVersion[i], version);
    }
    // After every search: no port open, no cover left, nothing selected, Program disabled.
    void ExpectSearchFinished() {
        EXPECT_FALSE(w.MSComm1.PortOpen());
        for (int i = 0; i < 4; ++i) {
            EXPECT_FALSE(w.Blanking[i].Visible);
            EXPECT_EQ(w.Option1[i].Value, 0);
        }
        EXPECT_FALSE(w.ProgramTav.Enabled);
    }
    // As if the user had picked row 0 and Program were ready from an earlier search.
    void LeaveASelectionBehind() {
        w.Option1[0].Value = 1;
        w.ProgramTav.Enabled = true;
    }

    SimWindow s;
    Bootstrap& w = s.w;
};

TEST_F(Search, OnlyThePortsThatExistShowARow) {
    s.AttachTav(1, Tav(0x22, 1, 4));
    s.AttachTav(3, Tav(0x44, 3, 0, 19200));
    w.TargetReply = 0x44;
    LeaveASelectionBehind();

    SearchForTavs(w);

    ExpectRow(0, "Tav model 01 1.4", false, 1.4f);
    ExpectRowHidden(1);
    ExpectRow(2, "Tav model 03 3.0", true, 3.0f);
    ExpectRowHidden(3);
    ExpectSearchFinished();
}

TEST_F(Search, PortsThatCannotBeOpenedStayHiddenWithoutAMessage) {
    s.AttachTav(1, Tav(0x11, 2, 5));
    s.port.SetBusy(1, true);
    s.AttachTav(2, Tav(0x22, 2, 5));
    s.port.Unplug(2);
    s.port.AddEmptyPort(4);
    // Left open by someone: the search closes it before it starts.
    w.MSComm1.SetCommPort(4);
    w.MSComm1.SetPortOpen(true);

    SearchForTavs(w);

    ExpectRowHidden(0);
    ExpectRowHidden(1);
    ExpectRowHidden(2);
    ExpectRow(3, "", false, 0.0f);
    ExpectSearchFinished();
}

TEST_F(Search, APortWithoutATavIsNeverSelectableEvenAgainstAnEmptyTypeRow) {
    // A table loaded from an edited registry may hold empty rows (reply code 0), and a
    // file whose target is unknown leaves TargetReply at 0: "no tav" must not match them.
    w.Types.TypeTable.push_back(TypeRow{});
    w.TargetReply = 0;
    s.port.AddEmptyPort(1);
    SearchForTavs(w);
    ExpectRow(0, "", false, 0.0f);
}

TEST_F(Search, EmergencyModeListsEveryPortThatOpensWithoutProbing) {
    s.port.SetBusy(1, true);
    sim::TavDevice& tav = s.AttachTav(2, Tav(0x33, 2, 5));
    w.EmergencyMode = VbTrue;
    w.TargetReply = 0x77;
    LeaveASelectionBehind();

    const Instant took = s.Timed([&] { SearchForTavs(w); });

    ExpectRowHidden(0);
    ExpectRow(1, "Emergency Comm port 2", true, 0.0f);
    ExpectRowHidden(2);
    ExpectRowHidden(3);
    ExpectSearchFinished();
    EXPECT_TRUE(s.port.SentBytes(2).empty());
    EXPECT_EQ(tav.IdentificationRequests(), 0);
    EXPECT_EQ(took, 0ms);
}

TEST_F(Search, TheRowIsSelectableOnlyForTheFilesTargetType) {
    s.AttachTav(1, Tav(0x66, 2, 5));
    w.TargetReply = 0x66;
    LeaveASelectionBehind();
    SearchForTavs(w);
    ExpectRow(0, "Tav model 05 2.5", true, 2.5f);
    ExpectSearchFinished();

    w.TargetReply = 0x77;
    LeaveASelectionBehind();
    SearchForTavs(w);
    ExpectRow(0, "Tav model 05 2.5", false, 2.5f);
    ExpectSearchFinished();
}

TEST_F(Search, MinorVersionIsShownAsWrittenButCountsTenths) {
    sim::TavDevice& tav = s.AttachTav(1, Tav(0x88, 2, 15));
    w.TargetReply = 0x88;
    SearchForTavs(w);
    ExpectRow(0, "Tav model 07 2.15", true, 3.5f);

    tav.Profile().major = 4;
    tav.Profile().minor = 16;
    SearchForTavs(w);
    EXPECT_EQ(w.TavType[0].Caption, "Tav model 07 4.16");
    EXPECT_FLOAT_EQ(w.TavVersion[0], 5.6f);
}

TEST_F(Search, AnUnconfirmedRestartShowsItsBoxAndTheRowStillShowsTheTav) {
    sim::TavProfile profile = Tav(0xAA, 1, 1);
    profile.restartReply = {0x0E, 0x0D};
    s.AttachTav(1, profile);
    w.TargetReply = 0xAA;
    s.dialogs.ExpectBox("Error!", "Reply fail to restart");
    SearchForTavs(w);
    ExpectRow(0, "Tav model 09 1.1", true, 1.1f);
}

TEST_F(Search, IrMicroBehindTheTavIsLinkedAndShownWhenTheLinkStands) {
    sim::TavProfile profile = Tav(0x23, 1, 2);
    profile.irMajor = 3;
    profile.irMinor = 7;
    sim::TavDevice& tav = s.AttachTav(1, profile);
    w.TargetReply = 0x25;

    SearchForTavs(w);

    ExpectRow(0, "Tav model 22 3.7", true, 3.7f);
    EXPECT_EQ(w.IrVersionMajor, 3);
    EXPECT_EQ(w.IrVersionMinor, 7);
    EXPECT_EQ(tav.IdentificationRequests(), 2);  // the second probe, without restart
    EXPECT_EQ(tav.Commands(), (std::vector<std::uint8_t>{51, 153, 119}));
    ExpectSearchFinished();
}

TEST_F(Search, IrMicroThatDoesNotLinkLeavesTheProbedTavUnselectable) {
    sim::TavProfile profile = Tav(0x23, 1, 2);
    profile.linkReplyLength = 3;
    sim::TavDevice& tav = s.AttachTav(1, profile);
    w.TargetReply = 0x25;
    s.dialogs.ExpectBox("Sorry!", "Could not establish communications with IR micro");

    SearchForTavs(w);

    ExpectRow(0, "Tav model 20 1.2", false, 1.2f);
    EXPECT_EQ(tav.Links(), 4);
    EXPECT_EQ(tav.IrRestarts(), 1);  // restarted all the same
    ExpectSearchFinished();
}

TEST_F(Search, ATavOfTheTargetTypeItselfTakesNoIrPath) {
    sim::TavDevice& tav = s.AttachTav(1, Tav(0x23, 1, 2));
    w.TargetReply = 0x23;
    SearchForTavs(w);
    ExpectRow(0, "Tav model 20 1.2", true, 1.2f);
    EXPECT_EQ(tav.Links(), 0);
    EXPECT_EQ(tav.IrRestarts(), 0);
}

// RTS state at every opening of a port, from the wire log (RTS was `before` when it began).
std::vector<bool> RtsAtOpenings(const sim::VirtualSerialPort& port, bool before) {
    std::vector<bool> states;
    bool rts = before;
    for (const auto& e : port.Log()) {
        if (e.kind == Kind::Rts) rts = e.byte != 0;
        if (e.kind == Kind::Open) states.push_back(rts);
    }
    return states;
}

TEST_F(Search, RtsIsOnForEveryOpeningOnlyWhenTheTargetAnswers99) {
    sim::TavFaults needsRts;
    needsRts.rtsRequired = true;
    s.AttachTav(1, Tav(0x99, 5, 1), needsRts);
    s.port.AddEmptyPort(2);
    s.AttachTav(4, Tav(0x11, 2, 5));

    w.TargetReply = 0x99;
    s.port.ClearLog();
    SearchForTavs(w);
    EXPECT_EQ(RtsAtOpenings(s.port, false), (std::vector<bool>{true, true, true}));
    ExpectRow(0, "Tav model 08 5.1", true, 5.1f);
    ExpectRow(3, "Tav model 00 2.5", false, 2.5f);

    ASSERT_TRUE(s.port.RTSEnable());  // kept from the search before
    s.port.ClearLog();
    w.TargetReply = 0x11;
    SearchForTavs(w);
    EXPECT_EQ(RtsAtOpenings(s.port, true), (std::vector<bool>{false, false, false}));
    ExpectRow(0, "", false, 0.0f);  // that tav is deaf without RTS
    ExpectRow(3, "Tav model 00 2.5", true, 2.5f);
}

TEST_F(Search, FourSilentPortsTakeFourProbePasses) {
    for (int n = 1; n <= 4; ++n) s.port.AddEmptyPort(n);
    w.TargetReply = 0x11;
    const Instant took = s.Timed([&] { SearchForTavs(w); });
    // Each: 100 ms break + 9 x (70 ms request + 100 ms wait).
    EXPECT_EQ(took, 4 * 1630ms);
    for (int i = 0; i < 4; ++i) ExpectRow(i, "", false, 0.0f);
}

TEST_F(Search, CoversLiftRowByRowAndOptionButtonsAppearOnlyAtTheEnd) {
    for (int n = 1; n <= 4; ++n) s.port.AddEmptyPort(n);
    w.search.Enabled = true;
    w.Load.Enabled = true;

    struct Snapshot {
        std::array<bool, 4> covered, typeShown, optionShown;
        bool searchReachable, loadReachable, labelShown;
    };
    std::vector<Snapshot> seen;
    // Halfway through each port's 1630 ms probe.
    for (int port = 0; port < 4; ++port)
        s.pump.Schedule(s.Now() + port * 1630ms + 800ms, [&] {
            Snapshot snap{};
            for (int i = 0; i < 4; ++i) {
                snap.covered[i] = w.Blanking[i].Visible && w.IsShown(w.Blanking[i]);
                snap.typeShown[i] = w.TavType[i].Visible;
                snap.optionShown[i] = w.Option1[i].Visible;
            }
            snap.searchReachable = w.CanActivate(w.search);
            snap.loadReachable = w.CanActivate(w.Load);
            snap.labelShown = w.IsShown(w.Blanking1);
            seen.push_back(snap);
        });

    SearchForTavs(w);

    ASSERT_EQ(seen.size(), 4u);
    for (int port = 0; port < 4; ++port) {
        SCOPED_TRACE("while probing COM" + std::to_string(port + 1));
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(seen[port].covered[i], i >= port);
            EXPECT_EQ(seen[port].typeShown[i], i < port);
            EXPECT_FALSE(seen[port].optionShown[i]);
        }
        EXPECT_FALSE(seen[port].searchReachable);
        EXPECT_FALSE(seen[port].loadReachable);
        EXPECT_TRUE(seen[port].labelShown);
    }
    for (int i = 0; i < 4; ++i) EXPECT_TRUE(w.Option1[i].Visible);
    EXPECT_TRUE(w.CanActivate(w.search));
    EXPECT_FALSE(w.IsShown(w.Blanking1));
}

TEST_F(Search, ATavPulledDuringItsProbeLeavesAnEmptyRowAndTheSearchGoesOn) {
    s.AttachTav(1, Tav(0x11, 2, 5));
    s.AttachTav(2, Tav(0x22, 1, 9));
    w.TargetReply = 0x22;
    s.pump.Schedule(s.Now() + 50ms, [&] { s.port.Unplug(1); });

    EXPECT_NO_THROW(SearchForTavs(w));
    ExpectRow(0, "", false, 0.0f);
    ExpectRow(1, "Tav model 01 1.9", true, 1.9f);
    ExpectSearchFinished();
}

}  // namespace
}  // namespace vantrel::test
