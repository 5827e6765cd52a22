// The program's waits on the Qt event pump and a real line: a wait for bytes ends when
// they are in, a wait never ends before its interval, and a closed window unwinds a wait.
// Only the order of events is asserted here; real-time figures are in bench/waits.

#include <gtest/gtest.h>

#include <QTimer>
#include <cstdlib>

#include "NullRegistryStore.h"
#include "PtyPair.h"
#include "TestApp.h"
#include "app/Bootstrap.h"
#include "qt/QtEventPump.h"
#include "qt/QtSerialPort.h"
#include "serial/Waits.h"
#include "support/ScriptedDialogs.h"

namespace vantrel::test {
namespace {

using std::chrono::milliseconds;

class QtWaitsTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        ::setenv("VANTREL_COM2", pty.SlavePath().c_str(), 1);
        port.SetCommPort(2);
        port.SetPortOpen(true);
    }
    void TearDown() override { ::unsetenv("VANTREL_COM2"); }

    template <class F>
    Instant Timed(F&& wait) {
        const Instant start = pump.Now();
        wait();
        return pump.Now() - start;
    }

    PtyPair pty;
    QtSerialPort port;
    QtEventPump pump;
    ScriptedDialogs dialogs;
    NullRegistryStore registry;
    Bootstrap w{port, pump, dialogs, registry};
};

TEST_F(QtWaitsTest, WaitForBytesEndsWhenTheBytesAreIn) {
    QTimer::singleShot(20, [this] { pty.Write({0x6B, 0x02, 0xE1}); });
    WaitForBytes(w, 3000, 3);
    // Ended by the bytes: the reply timer is still running.
    EXPECT_TRUE(w.Timer1.Enabled());
    EXPECT_EQ(port.InBufferCount(), 3);
    EXPECT_EQ(port.Input(), (std::vector<std::uint8_t>{0x6B, 0x02, 0xE1}));
}

TEST_F(QtWaitsTest, WaitsNeverEndBeforeTheirInterval) {
    EXPECT_GE(Timed([this] { Pause(w, 30); }), milliseconds(30));
    EXPECT_FALSE(w.Timer1.Enabled());

    // Too few bytes do not end the wait early.
    QTimer::singleShot(5, [this] { pty.Write({0x9D}); });
    EXPECT_GE(Timed([this] { WaitForBytes(w, 40, 2); }), milliseconds(40));
    EXPECT_FALSE(w.Timer1.Enabled());
    EXPECT_EQ(port.InBufferCount(), 1);

    // Enough bytes already waiting: the wait ends at once, its timer still running.
    WaitForBytes(w, 1000, 1);
    EXPECT_TRUE(w.Timer1.Enabled());
}

TEST_F(QtWaitsTest, TheWindowCatchesUpBeforeThePumpSleeps) {
    int refreshes = 0;
    pump.SetBeforeBlocking([&refreshes] { ++refreshes; });
    Pause(w, 20);
    EXPECT_GT(refreshes, 0);
}

TEST_F(QtWaitsTest, AnEndRequestedDuringAWaitUnwindsIt) {
    bool pastTheWait = false;
    QTimer::singleShot(10, [this] { pump.RequestEnd(); });
    EXPECT_THROW(
        {
            Pause(w, 5000);
            pastTheWait = true;
        },
        ProgramEnding);
    EXPECT_FALSE(pastTheWait);
    // And every later wait unwinds too.
    EXPECT_THROW(WaitForBytes(w, 100, 1), ProgramEnding);
}

}  // namespace
}  // namespace vantrel::test
