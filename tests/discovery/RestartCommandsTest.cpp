// The restart and link commands: four attempts, what each accepts, which box the last
// attempt chooses.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/TavBoxes.h"
#include "serial/RestartCommands.h"
#include "support/SimLine.h"

namespace vantrel::test {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

class RestartCommands : public ::testing::Test {
protected:
    RestartCommands() {
        s.Open(1);
        s.port.SetSettings("19200,n,8,2");  // whatever the caller left behind
    }
    void SetSilentAt(Instant at, bool silent) {
        s.pump.Schedule(at, [this, silent] { tav.Faults().silent = silent; });
    }
    static void ExpectBox(const std::optional<OutcomeBox>& box, const std::string& title, const std::string& text) {
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->title, title);
        EXPECT_EQ(box->text, text);
    }

    SimLine s;
    sim::TavDevice& tav = s.AttachTav(1);
};

TEST_F(RestartCommands, IrRestartConfirmedOnTheThirdAttempt) {
    tav.Faults().silent = true;
    // Attempts start every 510 ms while unanswered; the third frame ends at 1030 ms.
    SetSilentAt(s.Now() + 1025ms, false);
    ExchangeResult result;
    const Instant took = s.Timed([&] { result = restart_quadrel_IR(s.link); });
    EXPECT_TRUE(result.Accepted());
    EXPECT_EQ(result.attempts, 3);
    EXPECT_FALSE(RestartBox(RestartCommand::IrMicro, result).has_value());
    EXPECT_EQ(s.port.SentBytes(1), (Bytes{119, 255, 119, 255, 119, 255}));
    EXPECT_GT(took, 1030ms);
    EXPECT_LT(took, 1060ms);  // the reply ended the third wait early
    EXPECT_EQ(s.port.Settings(), "9600,e,8,1");
}

TEST_F(RestartCommands, RestartUnitAcceptsTheConfirmationAsFirstOrSecondByte) {
    tav.Profile().restartReply = {7, 240};
    EXPECT_TRUE(restart_unit(s.link).Accepted());
    EXPECT_EQ(s.port.SentBytes(1), (Bytes{51, 255}));
    tav.Profile().restartReply = {240, 0x6B};
    EXPECT_TRUE(restart_unit(s.link).Accepted());
    EXPECT_EQ(tav.Restarts(), 2);
}

TEST_F(RestartCommands, LinkStandsOnFourBytesAfterTheFullWaitAndNeverOnThree) {
    tav.Profile().linkReplyLength = 4;
    tav.Profile().irMajor = 6;
    tav.Profile().irMinor = 13;
    ExchangeResult link;
    const Instant took = s.Timed([&] { link = Link_Quadrel_IR(s.link); });
    ASSERT_TRUE(link.Accepted());
    EXPECT_EQ(link.bytes[1], 6);  // the IR micro's version
    EXPECT_EQ(link.bytes[2], 13);
    EXPECT_FALSE(IrLinkBox(link).has_value());
    EXPECT_EQ(s.port.SentBytes(1), (Bytes{153, 255}));
    EXPECT_EQ(took, 10ms + 500ms);  // waited for a fifth byte that never came

    tav.Profile().linkReplyLength = 3;
    tav.Profile().irMajor = 1;
    link = Link_Quadrel_IR(s.link);
    EXPECT_FALSE(link.Accepted());
    ExpectBox(IrLinkBox(link), "Sorry!", "Could not establish communications with IR micro");
    EXPECT_EQ(tav.Links(), 1 + 4);
}

TEST_F(RestartCommands, TheLastAttemptChoosesTheBox) {
    // Silent three times, then a wrong reply: the wrong-reply text.
    tav.Profile().irRestartReply = {0x0F, 0x77};
    tav.Faults().silent = true;
    SetSilentAt(s.Now() + 1535ms, false);  // the fourth attempt starts at 1530 ms
    const ExchangeResult ir = restart_quadrel_IR(s.link);
    EXPECT_EQ(ir.reply, ReplyKind::Rejected);
    ExpectBox(RestartBox(RestartCommand::IrMicro, ir), "Error!", "Reply fail to restart IR micro");

    // Wrong replies three times (each ends its wait in about 15 ms), then silence.
    tav.Profile().restartReply = {0x0F, 0x33};
    SetSilentAt(s.Now() + 50ms, true);
    const ExchangeResult unit = restart_unit(s.link);
    EXPECT_EQ(unit.reply, ReplyKind::NoReply);
    ExpectBox(RestartBox(RestartCommand::Unit, unit), "Error!", "No reply to restart");
    EXPECT_EQ(tav.Restarts(), 4);  // the fourth frame reached it, unanswered
}

}  // namespace
}  // namespace vantrel::test
