// The timed waits on Timer1, on virtual time.

#include <gtest/gtest.h>

#include "serial/Waits.h"
#include "support/SimWindow.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;

TEST(Waits, APauseLastsItsIntervalAndLetsWindowEventsRun) {
    test::SimWindow s;
    bool clicked = false;
    s.pump.ScheduleAfter(40ms, [&] { clicked = true; });

    const Instant took = s.Timed([&] { Pause(s.w, 100); });

    EXPECT_EQ(took, 100ms);
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(s.w.Timer1.Enabled());
}

TEST(Waits, WaitForBytesEndsAsSoonAsEnoughBytesAreIn) {
    test::SimWindow s;
    s.AttachTav(1);
    s.w.MSComm1.SetCommPort(1);
    s.w.MSComm1.SetPortOpen(true);
    s.w.MSComm1.SetSettings("9600,n,8,2");
    for (std::uint8_t b : {0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56}) s.w.MSComm1.Output(b);

    const Instant took = s.Timed([&] { WaitForBytes(s.w, 100, 5); });

    EXPECT_LT(took, 100ms);
    EXPECT_GE(s.w.MSComm1.InBufferCount(), 5);
}

TEST(Waits, WaitForBytesRunsItsFullIntervalWhenTooFewCome) {
    test::SimWindow s;
    s.port.AddEmptyPort(1);
    s.w.MSComm1.SetCommPort(1);
    s.w.MSComm1.SetPortOpen(true);

    EXPECT_EQ(s.Timed([&] { WaitForBytes(s.w, 500, 2); }), 500ms);
}

TEST(Waits, DiscardInputDropsWhatIsWaiting) {
    test::SimWindow s;
    s.AttachTav(1);
    s.w.MSComm1.SetCommPort(1);
    s.w.MSComm1.SetPortOpen(true);
    s.w.MSComm1.SetSettings("9600,n,8,2");
    for (std::uint8_t b : {0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56}) s.w.MSComm1.Output(b);
    Pause(s.w, 100);
    ASSERT_GT(s.w.MSComm1.InBufferCount(), 0);

    DiscardInput(s.w);
    EXPECT_EQ(s.w.MSComm1.InBufferCount(), 0);
}

}  // namespace
}  // namespace vantrel
