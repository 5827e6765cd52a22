// The QSerialPort adapter and the waits over a real pseudo-terminal: what the program writes
// reaches the line byte for byte, the line settings reach the device, a wait for bytes ends
// when they are in but never before its interval, a flooding peer cannot make the receive
// buffer grow without end, every refusal is a SerialError, and a line that another
// program holds is left as it is.

#include <gmock/gmock.h>
#include <linux/serial.h>
#include <sys/file.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <span>
#include <thread>

#include "QtRig.h"
#include "posix/LowLatency.h"
#include "posix/PseudoTerminal.h"
#include "support/ScopedEnv.h"

namespace vantrel::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

class QtSerialPortTest : public ::testing::Test, public QtModel {
protected:
    QtSerialPortTest() { port.SetCommPort(3); }
    Pty pty;
    const ScopedEnv com3{"VANTREL_COM3", pty.slave.c_str()};
};

TEST_F(QtSerialPortTest, SettingsReachTheDeviceAndEveryByteWrittenReachesTheLineAtOnce) {
    port.SetSettings("9600,o,8,1");
    port.SetPortOpen(true);
    // From odd parity to none and back: no odd flag may linger on the line. Then back and
    // forth between settings the port has had before (a transfer's odd and even), each
    // with its own rate.
    const std::pair<const char*, Pty::Line> cases[] = {
        {"110,n,8,2", {110, false, true, 8}},     {"14400,n,8,2", {14400, false, true, 8}},
        {"9600,e,8,1", {9600, false, false, 8}},  {"9600,o,8,1", {9600, true, false, 8}},
        {"9600,e,8,1", {9600, false, false, 8}},  {"9600,o,8,1", {9600, true, false, 8}},
        {"14400,o,8,1", {14400, true, false, 8}}, {"9600,e,8,1", {9600, false, false, 8}},
        {"14400,o,8,1", {14400, true, false, 8}}, {"110,n,8,2", {110, false, true, 8}}};
    for (const auto& [text, line] : cases) {
        SCOPED_TRACE(text);
        port.SetSettings(text);
        EXPECT_EQ(pty.Settings(), line);
        EXPECT_EQ(port.Settings(), text);
    }
    port.SetPortOpen(false);
    port.SetSettings("28800,n,8,2");  // put before the opening: the opening applies it
    port.SetPortOpen(true);
    EXPECT_EQ(pty.Settings(), (Pty::Line{28800, false, true, 8}));
    Bytes payload(256);  // every byte value once, no two neighbours in a pattern
    for (int i = 0; i < 256; ++i) payload[i] = static_cast<std::uint8_t>(i * 167 + 13);
    // No turn of the event loop before the read: Output and OutputBlock hand the bytes to
    // the system themselves.
    const std::span<const std::uint8_t> bytes(payload);
    for (std::uint8_t b : bytes.first(100)) port.Output(b);
    port.OutputBlock(bytes.subspan(100, 19));
    port.OutputBlock(bytes.subspan(119));
    EXPECT_EQ(pty.Read(payload.size()), payload);
}

TEST_F(QtSerialPortTest, OnlyAPseudoTerminalIsTakenForOne) {
    // What is behind the descriptor decides, whatever its name: a pty slave may refuse a
    // parity it applies all the same; nothing else gets that benefit of the doubt.
    const QTemporaryDir dir;
    const QString file = dir.filePath("not-a-tty");
    QFile(file).open(QIODevice::WriteOnly);
    const std::pair<std::string, bool> cases[] = {
        {pty.slave, true}, {"/dev/ptmx", false}, {"/dev/null", false}, {file.toStdString(), false}, {"/", false}};
    for (const auto& [path, isPty] : cases) {
        SCOPED_TRACE(path);
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOCTTY);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(IsPseudoTerminal(fd), isPty);
        ::close(fd);
    }
    EXPECT_FALSE(IsPseudoTerminal(-1));
}

TEST_F(QtSerialPortTest, AFloodingPeerLeavesOnlyABoundedTailOfTheNewestBytesWaiting) {
    port.SetPortOpen(true);
    Bytes flood(1 << 20);  // no run of 64 KiB repeats
    for (std::size_t i = 0; i < flood.size(); ++i) flood[i] = static_cast<std::uint8_t>(i * 167 + 13 + i / 256);
    std::atomic<bool> sent = false;
    std::jthread peer([&] {
        for (std::size_t at = 0; at < flood.size();) {
            const ssize_t n = ::write(pty.master, flood.data() + at, std::min<std::size_t>(4096, flood.size() - at));
            if (n <= 0) break;
            at += static_cast<std::size_t>(n);
        }
        sent = true;
    });
    int most = 0;
    while (!sent) {
        w.Wire.Pause(5);  // the event loop reads the line meanwhile
        most = std::max(most, static_cast<int>(port.InBufferCount()));
    }
    w.Wire.Pause(100);  // what the driver still held
    const int waiting = port.InBufferCount();
    EXPECT_LE(most, 16 * 1024) << "a few KiB at most, at any moment";
    EXPECT_GE(waiting, 256);
    EXPECT_LE(waiting, 16 * 1024);
    EXPECT_EQ(port.Input(), Bytes(flood.end() - waiting, flood.end())) << "the oldest bytes were dropped";
}

TEST_F(QtSerialPortTest, WaitsEndOnEnoughBytesNeverBeforeTheirIntervalAndInputHandsAllOverOnce) {
    EXPECT_EQ(port.InBufferCount(), 0);  // closed: nothing waits
    EXPECT_TRUE(port.Input().empty());
    port.SetPortOpen(true);
    const auto timed = [this](auto wait) { const Instant start = pump.Now(); return wait(), pump.Now() - start; };
    EXPECT_GE(timed([this] { w.Wire.Pause(30); }), 30ms);
    // Too few bytes, late in the wait: they wake the pump but do not end the wait early.
    QTimer::singleShot(30, [this] { pty.Write({0x31, 0xC4}); });
    EXPECT_GE(timed([this] { w.Wire.WaitForBytes(40, 3); }), 40ms);
    EXPECT_FALSE(w.Timer1.Enabled());
    EXPECT_EQ(port.InBufferCount(), 2);
    QTimer::singleShot(20, [this] { pty.Write({0x07, 0xFE}); });
    w.Wire.WaitForBytes(3000, 3);
    EXPECT_TRUE(w.Timer1.Enabled()) << "ended by the bytes, long before its timer";
    // Bytes the driver still holds count too, with no event-loop turn in between.
    pty.Write({0x5A, 0x00, 0x99});
    for (int tries = 0; tries < 400 && port.InBufferCount() < 7; ++tries) ::usleep(5000);
    EXPECT_EQ(port.InBufferCount(), 7);
    EXPECT_EQ(port.Input(), (Bytes{0x31, 0xC4, 0x07, 0xFE, 0x5A, 0x00, 0x99}));
    EXPECT_EQ(port.InBufferCount(), 0);
    EXPECT_TRUE(port.Input().empty());
}

TEST_F(QtSerialPortTest, MalformedSettingsAndMissingOrBusyDevicesAreRefused) {
    EXPECT_THROW(port.Output(0x01), SerialError);  // not open
    port.SetSettings("19200,n,8,2");
    port.SetPortOpen(true);
    for (const char* bad : {"", "9600,n,8", "9600,x,8,1", "9600,n,9,1", "9600,n,8,3", "fast,n,8,1", "50,n,8,1"}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(port.SetSettings(bad), SerialError);
    }
    EXPECT_EQ(port.Settings(), "19200,n,8,2");  // the old settings stay, on the line too
    EXPECT_EQ(pty.Settings().baud, 19200u);

    // Held by this program's other port, then (closed) by another program's flock, which
    // root does not pass either: refused as in use, no setting of the line changed.
    const std::string inUse = "COM3 (" + pty.slave + ") is in use by another program";
    QtSerialPort other;
    other.SetCommPort(3);
    other.SetSettings("1200,e,7,1");
    const auto refusedAsInUse = [&](const char* why) {
        const Pty::Line before = pty.Settings();
        try {
            other.SetPortOpen(true);
            ADD_FAILURE() << why << ": opened";
        } catch (const PortInUseError& e) {
            EXPECT_EQ(e.what(), inUse) << why;
        }
        EXPECT_FALSE(other.PortOpen());
        EXPECT_EQ(pty.Settings(), before) << why;
    };
    refusedAsInUse("the other port of this program");
    port.SetPortOpen(false);
    const int held = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);
    refusedAsInUse("a flock of another program");
    ::close(held);
    other.SetPortOpen(true);
    EXPECT_EQ(pty.Settings().baud, 1200u) << "free again";
    EXPECT_THAT(other.DriverRemark(), ::testing::StartsWith("low latency: refused by the driver"))
        << "a pseudo-terminal has no such thing";
    other.SetPortOpen(false);
    other.SetCommPort(4);
    // A device that is not there, and a port mapped to no device at all.
    for (const auto& [device, reason] : {std::pair{"/dev/no-such-tav-line", " (/dev/no-such-tav-line): "},
                                         std::pair{"none", ": it has no device"}}) {
        const ScopedEnv com4("VANTREL_COM4", device);
        try {
            other.SetPortOpen(true);
            ADD_FAILURE() << device << " opened";
        } catch (const SerialError& e) {
            EXPECT_THAT(e.what(), ::testing::HasSubstr("Cannot open COM4" + std::string(reason)));
        }
        EXPECT_FALSE(other.PortOpen());
    }
}

// A USB adapter's driver asked for low latency while the port is open, and only that one
// flag put back afterwards, whatever else changed meanwhile.
TEST(LowLatencyTest, TheDriversAnswerIsToldAndOnlyTheFlagItTurnedOnIsTurnedOff) {
    struct Driver : SerialDriverFlags {
        int flags = 0;
        bool refuseRead = false, refuseWrite = false;
        bool Read(int& out) override {
            if (refuseRead) return errno = ENOTTY, false;
            return out = flags, true;
        }
        bool Write(int in) override {
            if (refuseWrite) return errno = EPERM, false;
            return flags = in, true;
        }
    };
    constexpr int kOther = ASYNC_SKIP_TEST;
    const struct Case {
        const char* name;
        int flags;
        bool refuseRead, refuseWrite;
        const char* remark;
        int whileOpen, afterwards;
    } cases[] = {
        {"off", kOther, false, false, "low latency: on until the port closes", kOther | ASYNC_LOW_LATENCY, kOther | 0x100},
        {"already on", ASYNC_LOW_LATENCY, false, false, "low latency: already on", ASYNC_LOW_LATENCY,
         ASYNC_LOW_LATENCY | 0x100},
        {"not readable", 0, true, false, "low latency: refused by the driver (Inappropriate ioctl for device)", 0, 0x100},
        {"not writable", 0, false, true, "low latency: refused by the driver (Operation not permitted)", 0, 0x100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Driver driver;
        driver.flags = c.flags;
        driver.refuseRead = c.refuseRead;
        driver.refuseWrite = c.refuseWrite;
        {
            const LowLatency low(driver);
            EXPECT_EQ(low.Remark(), c.remark);
            EXPECT_EQ(driver.flags, c.whileOpen);
            driver.refuseRead = driver.refuseWrite = false;
            driver.flags |= 0x100;  // someone else's change while the port is open
        }
        EXPECT_EQ(driver.flags, c.afterwards);
    }
}

TEST_F(QtSerialPortTest, ALineThatGoesAwayMakesEveryOperationThrowUntilClosed) {
    port.SetPortOpen(true);
    ::close(pty.master);  // the far end goes away
    pty.master = -1;
    QTest::qWait(50);  // the event loop's read may notice first, else the next write does
    EXPECT_THROW(port.Output(0x22), SerialError);
    EXPECT_TRUE(port.PortOpen());
    EXPECT_THROW(port.InBufferCount(), SerialError);
    EXPECT_THROW(port.Input(), SerialError);
    EXPECT_THROW(port.SetSettings("9600,e,8,1"), SerialError);
    port.SetPortOpen(false);
    EXPECT_FALSE(port.PortOpen());
    EXPECT_THROW(port.SetPortOpen(true), SerialError);
}

}  // namespace
}  // namespace vantrel::test
