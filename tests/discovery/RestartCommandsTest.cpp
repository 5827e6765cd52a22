// The restart and link commands: four attempts, what each accepts, which box the last
// attempt chooses.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "app/TavCommands.h"
#include "support/SimWindow.h"

namespace vantrel::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

class RestartCommands : public ::testing::Test {
protected:
    RestartCommands() {
        s.w.MSComm1.SetCommPort(1);
        s.w.MSComm1.SetPortOpen(true);
        s.w.MSComm1.SetSettings("19200,n,8,2");  // whatever the caller left behind
    }
    void SetSilentAt(Instant at, bool silent) {
        s.pump.Schedule(at, [this, silent] { tav.Faults().silent = silent; });
    }

    SimWindow s;
    sim::TavDevice& tav = s.AttachTav(1);
};

TEST_F(RestartCommands, IrRestartConfirmedOnTheThirdAttempt) {
    tav.Faults().silent = true;
    // Attempts start every 510 ms while unanswered; the third frame ends at 1030 ms.
    SetSilentAt(s.Now() + 1025ms, false);
    bool ok = false;
    const Instant took = s.Timed([&] { ok = restart_quadrel_IR(s.w); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(s.port.SentBytes(1), (Bytes{119, 255, 119, 255, 119, 255}));
    EXPECT_GT(took, 1030ms);
    EXPECT_LT(took, 1060ms);  // the reply ended the third wait early
    EXPECT_EQ(s.w.MSComm1.Settings(), "9600,e,8,1");
}

TEST_F(RestartCommands, RestartUnitAcceptsTheConfirmationAsFirstOrSecondByte) {
    tav.Profile().restartReply = {7, 240};
    EXPECT_TRUE(restart_unit(s.w));
    EXPECT_EQ(s.port.SentBytes(1), (Bytes{51, 255}));
    tav.Profile().restartReply = {240, 0x6B};
    EXPECT_TRUE(restart_unit(s.w));
    EXPECT_EQ(tav.Restarts(), 2);
}

TEST_F(RestartCommands, LinkStandsOnFourBytesAfterTheFullWaitAndNeverOnThree) {
    tav.Profile().linkReplyLength = 4;
    tav.Profile().irMajor = 6;
    tav.Profile().irMinor = 13;
    bool ok = false;
    const Instant took = s.Timed([&] { ok = Link_Quadrel_IR(s.w); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(s.port.SentBytes(1), (Bytes{153, 255}));
    EXPECT_EQ(took, 10ms + 500ms);  // waited for a fifth byte that never came

    tav.Profile().linkReplyLength = 3;
    tav.Profile().irMajor = 1;
    s.dialogs.ExpectBox("Sorry!", "Could not establish communications with IR micro");
    EXPECT_FALSE(Link_Quadrel_IR(s.w));
    EXPECT_EQ(tav.Links(), 1 + 4);
    EXPECT_EQ(s.w.IrVersionMajor, 6);  // still those of the link that stood
    EXPECT_EQ(s.w.IrVersionMinor, 13);
}

TEST_F(RestartCommands, TheLastAttemptChoosesTheBox) {
    // Silent three times, then a wrong reply: the wrong-reply text.
    tav.Profile().irRestartReply = {0x0F, 0x77};
    tav.Faults().silent = true;
    SetSilentAt(s.Now() + 1535ms, false);  // the fourth attempt starts at 1530 ms
    s.dialogs.ExpectBox("Error!", "Reply fail to restart IR micro");
    EXPECT_FALSE(restart_quadrel_IR(s.w));
    s.dialogs.VerifyAndClear();

    // Wrong replies three times (each ends its wait in about 15 ms), then silence.
    tav.Profile().restartReply = {0x0F, 0x33};
    SetSilentAt(s.Now() + 50ms, true);
    s.dialogs.ExpectBox("Error!", "No reply to restart");
    EXPECT_FALSE(restart_unit(s.w));
    EXPECT_EQ(tav.Restarts(), 4);  // the fourth frame reached it, unanswered
}

}  // namespace
}  // namespace vantrel::test
