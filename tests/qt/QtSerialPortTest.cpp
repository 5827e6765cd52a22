// The QSerialPort adapter over a real pseudo-terminal: what the program writes reaches the
// line byte for byte, the line settings reach the device, and every refusal is a
// SerialError, never a crash.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <cstdlib>
#include <numeric>

#include "PtyPair.h"
#include "TestApp.h"
#include "qt/ComPortDevice.h"
#include "qt/QtSerialPort.h"

namespace vantrel::test {
namespace {

// Every byte value once, in an order where no two neighbours repeat a pattern.
std::vector<std::uint8_t> AllBytesShuffled() {
    std::vector<std::uint8_t> bytes(256);
    for (int i = 0; i < 256; ++i) bytes[i] = static_cast<std::uint8_t>((i * 167 + 13) % 256);
    return bytes;
}

class QtSerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        ::setenv("VANTREL_COM3", pty.SlavePath().c_str(), 1);
        port.SetCommPort(3);
    }
    void TearDown() override { ::unsetenv("VANTREL_COM3"); }

    // Waits (running the event loop) until the adapter reports `count` bytes waiting.
    bool BytesWaiting(int count) {
        return RunEventsUntil([&] { return port.InBufferCount() >= count; }, 2000);
    }

    PtyPair pty;
    QtSerialPort port;
};

TEST_F(QtSerialPortTest, EveryByteWrittenReachesTheLineAtOnce) {
    port.SetSettings("9600,n,8,1");
    port.SetPortOpen(true);
    const auto payload = AllBytesShuffled();
    // No turn of the event loop between the writes and the read: Output hands each byte
    // to the operating system itself.
    for (std::uint8_t b : payload) port.Output(b);
    EXPECT_EQ(pty.Read(payload.size(), 2000), payload);
}

TEST_F(QtSerialPortTest, SettingsReachTheDeviceWhenOpenedAndAtOnceWhileOpen) {
    port.SetSettings("9600,o,8,1");
    port.SetPortOpen(true);
    auto line = pty.LineSettings();
    EXPECT_EQ(line.baud, 9600u);
    EXPECT_TRUE(line.oddParity);
    EXPECT_FALSE(line.twoStopBits);
    EXPECT_EQ(line.dataBits, 8);

    struct Case {
        const char* text;
        unsigned baud;
        bool odd;
        bool twoStop;
    };
    for (const Case& c : {Case{"110,n,8,2", 110, false, true}, Case{"14400,n,8,2", 14400, false, true},
                          Case{"28800,n,8,2", 28800, false, true}, Case{"9600,e,8,1", 9600, false, false},
                          Case{"115200,n,8,2", 115200, false, true}, Case{"9600,o,8,1", 9600, true, false},
                          Case{"2400,n,8,2", 2400, false, true}, Case{"38400,n,8,2", 38400, false, true}}) {
        SCOPED_TRACE(c.text);
        port.SetSettings(c.text);
        line = pty.LineSettings();
        EXPECT_EQ(line.baud, c.baud);
        EXPECT_EQ(line.oddParity, c.odd);
        EXPECT_EQ(line.twoStopBits, c.twoStop);
        EXPECT_EQ(port.Settings(), c.text);
    }
    // A byte still goes out unchanged after all the switching.
    port.Output(0xA5);
    EXPECT_EQ(pty.Read(1, 2000), std::vector<std::uint8_t>{0xA5});
}

TEST_F(QtSerialPortTest, EachOpeningAppliesTheSettingsPutBefore) {
    port.SetSettings("9600,e,8,1");
    port.SetPortOpen(true);
    EXPECT_EQ(pty.LineSettings().baud, 9600u);
    EXPECT_FALSE(pty.LineSettings().oddParity);
    port.SetSettings("9600,o,8,1");
    EXPECT_TRUE(pty.LineSettings().oddParity);
    port.SetPortOpen(false);

    // No odd-parity flag survives into a session without parity.
    port.SetSettings("28800,n,8,2");
    port.SetPortOpen(true);
    const auto line = pty.LineSettings();
    EXPECT_EQ(line.baud, 28800u);
    EXPECT_FALSE(line.oddParity);
    EXPECT_TRUE(line.twoStopBits);
}

TEST_F(QtSerialPortTest, InputHandsOverEverythingWaitingOnceInOrder) {
    EXPECT_EQ(port.InBufferCount(), 0);  // closed: nothing waits
    EXPECT_TRUE(port.Input().empty());
    port.SetPortOpen(true);
    const std::vector<std::uint8_t> first{0x31, 0xC4, 0x07, 0xFE, 0x5A};
    pty.Write(first);
    ASSERT_TRUE(BytesWaiting(5));
    EXPECT_EQ(port.InBufferCount(), 5);
    pty.Write({0x00, 0x99});
    ASSERT_TRUE(BytesWaiting(7));
    EXPECT_EQ(port.Input(), (std::vector<std::uint8_t>{0x31, 0xC4, 0x07, 0xFE, 0x5A, 0x00, 0x99}));
    EXPECT_EQ(port.InBufferCount(), 0);
    EXPECT_TRUE(port.Input().empty());
}

TEST_F(QtSerialPortTest, BytesTheDriverHoldsCountWithoutAnEventLoopTurn) {
    port.SetPortOpen(true);
    pty.Write({0x42, 0x17});
    // Only the adapter's own look at the driver, no event processing in between.
    int waiting = 0;
    for (int tries = 0; tries < 200 && waiting < 2; ++tries) {
        waiting = port.InBufferCount();
        if (waiting < 2) ::usleep(5000);
    }
    EXPECT_EQ(waiting, 2);
    EXPECT_EQ(port.Input(), (std::vector<std::uint8_t>{0x42, 0x17}));
}

TEST_F(QtSerialPortTest, MalformedSettingsAreRefusedAndTheOldOnesStay) {
    port.SetSettings("19200,n,8,2");
    for (const char* bad : {"", "9600", "9600,n,8", "9600,x,8,1", "9600,n,9,1", "9600,n,8,3", "fast,n,8,1",
                            "300000,n,8,1", "50,n,8,1", "9600,n,8,1,0"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(port.SetSettings(bad), SerialError);
    }
    EXPECT_EQ(port.Settings(), "19200,n,8,2");
    port.SetPortOpen(true);
    EXPECT_THROW(port.SetSettings("9600,q,8,1"), SerialError);
    EXPECT_EQ(pty.LineSettings().baud, 19200u);
    EXPECT_EQ(port.Settings(), "19200,n,8,2");
}

TEST_F(QtSerialPortTest, RtsIsRememberedAndToleratedOnALineWithoutModemLines) {
    port.SetRTSEnable(true);
    EXPECT_NO_THROW(port.SetPortOpen(true));
    EXPECT_TRUE(port.RTSEnable());
    EXPECT_NO_THROW(port.SetRTSEnable(false));
    EXPECT_FALSE(port.RTSEnable());
    port.Output(0x3C);  // the refusal left nothing behind that breaks the port
    EXPECT_EQ(pty.Read(1, 2000), std::vector<std::uint8_t>{0x3C});
}

TEST_F(QtSerialPortTest, PortsThatCannotBeOpenedThrowWithTheDeviceNamed) {
    ::setenv("VANTREL_COM4", "/dev/no-such-tav-line", 1);
    port.SetCommPort(4);
    try {
        port.SetPortOpen(true);
        ADD_FAILURE() << "opened a missing device";
    } catch (const SerialError& e) {
        EXPECT_NE(std::string(e.what()).find("/dev/no-such-tav-line"), std::string::npos) << e.what();
    }
    EXPECT_FALSE(port.PortOpen());
    ::unsetenv("VANTREL_COM4");

    // A line another program holds is busy.
    port.SetCommPort(3);
    QtSerialPort holder;
    holder.SetCommPort(3);
    holder.SetPortOpen(true);
    EXPECT_THROW(port.SetPortOpen(true), SerialError);
    EXPECT_FALSE(port.PortOpen());
    holder.SetPortOpen(false);
    EXPECT_NO_THROW(port.SetPortOpen(true));
}

TEST_F(QtSerialPortTest, MisuseOfAClosedOrOpenPortIsRefused) {
    EXPECT_THROW(port.Output(0x01), SerialError);
    port.SetPortOpen(true);
    EXPECT_THROW(port.SetCommPort(2), SerialError);
    EXPECT_THROW(port.SetPortOpen(true), SerialError);
    EXPECT_EQ(port.CommPort(), 3);
    port.SetPortOpen(false);
    EXPECT_NO_THROW(port.SetPortOpen(false));  // closing twice is harmless
    EXPECT_THROW(port.SetCommPort(0), SerialError);
    port.SetCommPort(2);
    EXPECT_EQ(port.CommPort(), 2);
}

TEST_F(QtSerialPortTest, ALineThatGoesAwayMakesEveryOperationThrowUntilClosed) {
    port.SetPortOpen(true);
    port.Output(0x11);
    ASSERT_EQ(pty.Read(1, 2000).size(), 1u);
    pty.CloseMaster();
    // Noticed by the event loop's read, or at the latest by the next write.
    RunEventsUntil([] { return false; }, 50);
    EXPECT_THROW(
        {
            port.Output(0x22);
            port.Output(0x33);
        },
        SerialError);
    EXPECT_TRUE(port.PortOpen());
    EXPECT_THROW(port.InBufferCount(), SerialError);
    EXPECT_THROW(port.Input(), SerialError);
    EXPECT_THROW(port.SetSettings("9600,e,8,1"), SerialError);
    RunEventsUntil([] { return false; }, 50);  // the hung-up line does not keep the loop spinning
    port.SetPortOpen(false);
    EXPECT_FALSE(port.PortOpen());
    EXPECT_THROW(port.SetPortOpen(true), SerialError);
}

TEST(ComPortDeviceTest, EnvironmentChoosesTheDeviceElseTheSystemName) {
    ::unsetenv("VANTREL_COM2");
    EXPECT_EQ(ComPortDevice(1), "/dev/ttyS0");
    EXPECT_EQ(ComPortDevice(4), "/dev/ttyS3");
    ::setenv("VANTREL_COM2", "/dev/ttyUSB7", 1);
    EXPECT_EQ(ComPortDevice(2), "/dev/ttyUSB7");
    ::setenv("VANTREL_COM2", "", 1);
    EXPECT_EQ(ComPortDevice(2), "/dev/ttyS1");
    ::unsetenv("VANTREL_COM2");
}

}  // namespace
}  // namespace vantrel::test
