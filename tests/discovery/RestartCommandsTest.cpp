// The restart and link commands: four attempts, what each accepts, which box the last
// attempt chooses.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "serial/RestartCommands.h"
#include "support/SimWindow.h"

namespace vantrel::test {
namespace {

using namespace std::chrono_literals;
using Kind = sim::VirtualSerialPort::WireEvent::Kind;

class RestartCommands : public ::testing::Test {
protected:
    sim::TavDevice& OpenWithTav(sim::TavProfile profile = {}, sim::TavFaults faults = {}) {
        sim::TavDevice& tav = s.AttachTav(1, std::move(profile), faults);
        s.w.MSComm1.SetCommPort(1);
        s.w.MSComm1.SetPortOpen(true);
        s.w.MSComm1.SetSettings("19200,n,8,2");  // whatever the caller left behind
        s.port.ClearLog();
        return tav;
    }
    // Settings text in force when each byte went out.
    std::vector<std::string> SettingsOfSentBytes() const {
        std::vector<std::string> texts;
        for (const auto& e : s.port.Log())
            if (e.kind == Kind::Sent) texts.push_back(e.text);
        return texts;
    }
    void SetSilentAt(sim::TavDevice& tav, Instant at, bool silent) {
        s.pump.Schedule(at, [&tav, silent] { tav.Faults().silent = silent; });
    }

    SimWindow s;
};

TEST_F(RestartCommands, IrRestartConfirmedOnTheThirdAttempt) {
    sim::TavFaults faults;
    faults.silent = true;
    sim::TavDevice& tav = OpenWithTav({}, faults);
    // Attempts start every 510 ms while unanswered; the third frame ends at 1030 ms.
    SetSilentAt(tav, s.Now() + 1025ms, false);

    bool ok = false;
    const Instant took = s.Timed([&] { ok = restart_quadrel_IR(s.w); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(s.port.SentBytes(1), (std::vector<std::uint8_t>{119, 255, 119, 255, 119, 255}));
    EXPECT_EQ(SettingsOfSentBytes(), (std::vector<std::string>{"9600,o,8,1", "9600,e,8,1", "9600,o,8,1",
                                                                "9600,e,8,1", "9600,o,8,1", "9600,e,8,1"}));
    EXPECT_GT(took, 1030ms);
    EXPECT_LT(took, 1060ms);  // the reply ended the third wait early
    EXPECT_EQ(s.w.MSComm1.Settings(), "9600,e,8,1");
}

TEST_F(RestartCommands, RestartUnitAcceptsTheConfirmationAsFirstOrSecondByte) {
    sim::TavProfile profile;
    profile.restartReply = {7, 240};
    sim::TavDevice& tav = OpenWithTav(profile);
    EXPECT_TRUE(restart_unit(s.w));
    EXPECT_EQ(s.port.SentBytes(1), (std::vector<std::uint8_t>{51, 255}));

    tav.Profile().restartReply = {240, 0x6B};
    EXPECT_TRUE(restart_unit(s.w));
    EXPECT_EQ(tav.Restarts(), 2);
    EXPECT_EQ(s.w.MSComm1.Settings(), "9600,e,8,1");
}

TEST_F(RestartCommands, RestartUnitRejectingEveryReplyShowsReplyFail) {
    sim::TavProfile profile;
    profile.restartReply = {0x33, 0x44};
    sim::TavDevice& tav = OpenWithTav(profile);
    s.dialogs.ExpectBox("Error!", "Reply fail to restart");
    EXPECT_FALSE(restart_unit(s.w));
    EXPECT_EQ(tav.Restarts(), 4);
    ASSERT_EQ(s.dialogs.Shown().size(), 1u);
    EXPECT_EQ(s.dialogs.Shown()[0].style, BoxStyle::OkExclamation);
}

TEST_F(RestartCommands, LinkStandsOnExactlyFourBytesAfterTheFullWait) {
    sim::TavProfile profile;
    profile.linkReplyLength = 4;
    profile.irMajor = 6;
    profile.irMinor = 13;
    OpenWithTav(profile);

    bool ok = false;
    const Instant took = s.Timed([&] { ok = Link_Quadrel_IR(s.w); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(s.w.IrVersionMajor, 6);
    EXPECT_EQ(s.w.IrVersionMinor, 13);
    EXPECT_EQ(s.port.SentBytes(1), (std::vector<std::uint8_t>{153, 255}));
    EXPECT_EQ(took, 10ms + 500ms);  // waited for a fifth byte that never came
}

TEST_F(RestartCommands, LinkWithThreeByteRepliesFailsAfterFourAttempts) {
    sim::TavProfile profile;
    profile.linkReplyLength = 3;
    profile.irMajor = 6;
    profile.irMinor = 13;
    sim::TavDevice& tav = OpenWithTav(profile);
    s.w.IrVersionMajor = 9;
    s.w.IrVersionMinor = 8;

    s.dialogs.ExpectBox("Sorry!", "Could not establish communications with IR micro");
    EXPECT_FALSE(Link_Quadrel_IR(s.w));
    EXPECT_EQ(tav.Links(), 4);
    EXPECT_EQ(s.w.IrVersionMajor, 9);
    EXPECT_EQ(s.w.IrVersionMinor, 8);
}

TEST_F(RestartCommands, TheLastAttemptChoosesTheBox) {
    // Silent three times, then a wrong reply: the wrong-reply text.
    sim::TavProfile profile;
    profile.irRestartReply = {0x0F, 0x77};
    sim::TavFaults faults;
    faults.silent = true;
    sim::TavDevice& tav = OpenWithTav(profile, faults);
    SetSilentAt(tav, s.Now() + 1535ms, false);  // the fourth attempt starts at 1530 ms
    s.dialogs.ExpectBox("Error!", "Reply fail to restart IR micro");
    EXPECT_FALSE(restart_quadrel_IR(s.w));
    s.dialogs.VerifyAndClear();

    // Wrong replies three times (each ends its wait in about 15 ms), then silence.
    tav.Faults().silent = false;
    tav.Profile().restartReply = {0x0F, 0x33};
    SetSilentAt(tav, s.Now() + 50ms, true);
    s.dialogs.ExpectBox("Error!", "No reply to restart");
    EXPECT_FALSE(restart_unit(s.w));
    EXPECT_EQ(tav.Restarts(), 4);  // the fourth frame reached it, unanswered
}

TEST_F(RestartCommands, StaleInputIsDroppedBeforeEachAttempt) {
    // An identification reply whose first byte is 240 is left unread in the buffer.
    sim::TavProfile profile;
    profile.replyCode = 240;
    profile.restartReply = {0x33, 0x44};
    OpenWithTav(profile);
    s.w.MSComm1.SetSettings("9600,n,8,2");
    for (std::uint8_t b : {0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56}) s.w.MSComm1.Output(b);
    s.pump.AdvanceTo(s.Now() + 50ms);
    ASSERT_EQ(s.w.MSComm1.InBufferCount(), 5);

    s.dialogs.ExpectBox("Error!", "Reply fail to restart");
    EXPECT_FALSE(restart_unit(s.w));
}

TEST_F(RestartCommands, APulledPortCountsAsNoReplyAndNeverThrows) {
    OpenWithTav();
    s.port.Unplug(1);
    s.dialogs.ExpectBox("Error!", "No reply to restart IR micro")
        .ExpectBox("Sorry!", "Could not establish communications with IR micro")
        .ExpectBox("Error!", "No reply to restart");
    EXPECT_NO_THROW({
        EXPECT_FALSE(restart_quadrel_IR(s.w));
        EXPECT_FALSE(Link_Quadrel_IR(s.w));
        EXPECT_FALSE(restart_unit(s.w));
        EXPECT_FALSE(dumb_restart_unit(s.w));
    });
}

TEST_F(RestartCommands, DumbRestartSendsTheFrameAndWaitsThreeSecondsUnread) {
    sim::TavDevice& tav = OpenWithTav();
    bool ok = true;
    const Instant took = s.Timed([&] { ok = dumb_restart_unit(s.w); });
    EXPECT_FALSE(ok);
    EXPECT_EQ(took, 3010ms);
    EXPECT_EQ(s.port.SentBytes(1), (std::vector<std::uint8_t>{51, 255}));
    EXPECT_EQ(SettingsOfSentBytes(), (std::vector<std::string>{"9600,o,8,1", "9600,e,8,1"}));
    EXPECT_EQ(tav.Restarts(), 1);
    EXPECT_EQ(s.w.MSComm1.InBufferCount(), 2);  // the confirmation is left unread
}

}  // namespace
}  // namespace vantrel::test
