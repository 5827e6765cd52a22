// The completion exchange: 21 then 234, up to four frames, and the outcome box.

#include "programming/EndProgramming.h"

#include "ProgrammingFixture.h"

namespace vantrel::test {
namespace {

using namespace std::chrono_literals;

class EndProgrammingTest : public ProgrammingTest {
protected:
    sim::TavDevice* tav = nullptr;

    void Attach(sim::TavFaults faults = {}) {
        tav = &sim.AttachTav(3, {}, faults);
        OpenCom(3);
    }
    void ExpectCompletionFrames(std::size_t n) {
        const auto frames = FramesOf(sim.port, 3);
        ASSERT_EQ(frames.size(), n);
        for (const auto& f : frames) {
            EXPECT_EQ(f.command, 21);
            EXPECT_EQ(f.payload, std::vector<std::uint8_t>{234});
        }
    }
};

TEST_F(EndProgrammingTest, AcknowledgedAtOnceShowsTheSuccessBox) {
    Attach();
    sim.dialogs.ExpectBox("OK! ", "Tav reprogram suceeded");
    EXPECT_TRUE(EndProgramming(w));
    ExpectCompletionFrames(1);
    ASSERT_EQ(sim.dialogs.Shown().size(), 1u);
    EXPECT_EQ(sim.dialogs.Shown()[0].style, BoxStyle::OkExclamation);
    EXPECT_EQ(sim.port.Settings(), "9600,e,8,1");
}

TEST_F(EndProgrammingTest, AcknowledgementOnTheSecondFrame) {
    sim::TavFaults faults;
    faults.wrongCompletions = 1;
    Attach(faults);
    sim.dialogs.ExpectBox("OK! ", "Tav reprogram suceeded");
    EXPECT_TRUE(EndProgramming(w));
    ExpectCompletionFrames(2);
    EXPECT_EQ(tav->Completions(), 2);
}

TEST_F(EndProgrammingTest, TwoFortyIsNoAcknowledgementHere) {
    sim::TavFaults faults;
    faults.wrongCompletions = 4;
    Attach(faults);
    sim.dialogs.ExpectBox("Error! ", "Failed to restart unit");
    EXPECT_FALSE(EndProgramming(w));
    ExpectCompletionFrames(4);
}

TEST_F(EndProgrammingTest, SilentTavGetsFourFramesHalfASecondApart) {
    sim::TavFaults faults;
    faults.silent = true;
    Attach(faults);
    sim.dialogs.ExpectBox("Error! ", "Failed to restart unit");
    const Instant took = sim.Timed([&] { EXPECT_FALSE(EndProgramming(w)); });
    ExpectCompletionFrames(4);
    const auto frames = FramesOf(sim.port, 3);
    // 10 ms after the 21, then 500 ms counted from before the 234 went out.
    for (std::size_t k = 1; k < frames.size(); ++k) EXPECT_NEAR(Ms(frames[k].at - frames[k - 1].at), 510.0, 0.1);
    EXPECT_NEAR(Ms(took), 4 * 510.0, 0.1);
}

TEST_F(EndProgrammingTest, StaleAcknowledgementDoesNotCount) {
    Attach();
    tav->Profile().completionAck = 0x5C;  // this tav never acknowledges the completion
    // A 15 from an earlier exchange waits in the buffer.
    sim.port.SetSettings("9600,o,8,1");
    sim.port.Output(161);
    sim.port.SetSettings("9600,e,8,1");
    for (int k = 0; k < 18; ++k) sim.port.Output(static_cast<std::uint8_t>(k));
    sim.port.Output(static_cast<std::uint8_t>(255 - 153));  // 0 + 1 + ... + 17 = 153
    sim.pump.AdvanceTo(sim.Now() + 100ms);
    ASSERT_EQ(sim.port.InBufferCount(), 2);

    sim.dialogs.ExpectBox("Error! ", "Failed to restart unit");
    EXPECT_FALSE(EndProgramming(w));
    EXPECT_EQ(tav->Completions(), 4);
}

TEST_F(EndProgrammingTest, DeviceGoneEndsInTheFailureBoxNotAnException) {
    Attach();
    sim.port.Unplug(3);
    sim.dialogs.ExpectBox("Error! ", "Failed to restart unit");
    bool ok = true;
    EXPECT_NO_THROW(ok = EndProgramming(w));
    EXPECT_FALSE(ok);
}

}  // namespace
}  // namespace vantrel::test
