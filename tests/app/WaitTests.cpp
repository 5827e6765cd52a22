// The timed waits on Timer1, on virtual time.

#include <gtest/gtest.h>

#include "support/SimWindow.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;

TEST(Waits, APauseLastsItsIntervalAndLetsWindowEventsRun) {
    test::SimWindow s;
    bool clicked = false;
    s.pump.ScheduleAfter(40ms, [&] { clicked = true; });

    EXPECT_EQ(s.Timed([&] { s.w.Wire.Pause(100); }), 100ms);
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(s.w.Timer1.Enabled());
}

TEST(Waits, WaitForBytesEndsOnTheBytesOrAfterItsFullInterval) {
    test::SimWindow s;
    s.AttachTav(1);
    s.port.AddEmptyPort(2);
    s.w.MSComm1.SetCommPort(1);
    s.w.MSComm1.SetPortOpen(true);
    s.w.MSComm1.SetSettings("9600,n,8,2");
    for (std::uint8_t b : {0xFF, 0x53, 0x45, 0x54, 0x54, 0x41, 0x56}) s.w.MSComm1.Output(b);

    EXPECT_LT(s.Timed([&] { s.w.Wire.WaitForBytes(100, 5); }), 100ms);
    EXPECT_GE(s.w.MSComm1.InBufferCount(), 5);
    s.w.Wire.DiscardInput();
    EXPECT_EQ(s.w.MSComm1.InBufferCount(), 0);

    s.w.MSComm1.SetPortOpen(false);
    s.w.MSComm1.SetCommPort(2);
    s.w.MSComm1.SetPortOpen(true);
    EXPECT_EQ(s.Timed([&] { s.w.Wire.WaitForBytes(500, 2); }), 500ms);
}

}  // namespace
}  // namespace vantrel
