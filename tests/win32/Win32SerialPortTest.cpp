// The Win32 serial port against a vantrel-tavsim tav on COM1, which Wine maps to the
// simulator's pseudo-terminal. over_pty.sh starts the simulator with --trace, runs
// these cases one by one and reads what the tav saw; without VANTREL_TAV_ON_COM1 they skip.

#include <gtest/gtest.h>

#include <cstdlib>
#include <iostream>

#include <windows.h>

#include "win32/Win32EventPump.h"
#include "win32/Win32SerialPort.h"

namespace vantrel {
namespace {

using namespace std::chrono_literals;

class Win32SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("VANTREL_TAV_ON_COM1") == nullptr) GTEST_SKIP() << "needs a tav on COM1 (over_pty.sh)";
        port.SetCommPort(1);
        port.SetPortOpen(true);
    }
    // Lets the pump run for this long; returns how often it came back.
    int RunFor(Instant span) {
        int turns = 0;
        const Instant end = pump.Now() + span;
        while (pump.Now() < end) {
            pump.RunPendingEvents(end);
            port.InBufferCount();
            ++turns;
        }
        return turns;
    }

    Win32EventPump pump;
    Win32SerialPort port{pump};
};

// Each text is put on the open port before one byte is sent; the tav's trace tells the
// rate, parity and stop bits the byte reached it with (the script compares).
TEST_F(Win32SerialPortTest, SettingsReachTheDevice) {
    // Rates Wine sets exactly on a pty (it maps 14400 and 28800 to 38400 there).
    const char* settings[] = {"110,n,8,2", "19200,o,8,1", "4800,e,8,1", "115200,n,8,2", "2400,o,8,2", "38400,e,8,1"};
    std::uint8_t marker = 0xA1;
    for (const char* text : settings) {
        port.SetSettings(text);
        port.Output(marker++);
        RunFor(150ms);  // the tav reads the byte under these settings before they change
    }
    // Closed and opened again, as the search and then the programming do.
    port.SetPortOpen(false);
    port.SetPortOpen(true);
    // A second program's port finds it in use (share mode 0) and touches nothing: the
    // last byte still goes out at the rate set before.
    // Wine does not hold a COM port that it maps to a Unix device to its share mode: the
    // check means something on Windows only.
    if (GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr) {
        port.Output(marker);
        RunFor(150ms);
        return;
    }
    Win32SerialPort other{pump};
    other.SetCommPort(1);
    other.SetSettings("1200,n,8,1");
    try {
        other.SetPortOpen(true);
        ADD_FAILURE() << "COM1 opened twice";
    } catch (const PortInUseError& e) {
        EXPECT_STREQ(e.what(), "COM1 (\\\\.\\COM1) is in use by another program");
    }
    EXPECT_FALSE(other.PortOpen());
    port.Output(marker);
    RunFor(150ms);
}

// The script ends the simulator while the pump waits for bytes: the port lets the device
// go, the pump sleeps instead of spinning, and the next write is a serial error.
TEST_F(Win32SerialPortTest, AVanishedDeviceEndsInASerialErrorNeverASpin) {
    port.SetSettings("9600,n,8,2");
    std::cout << "waiting for the device to go" << std::endl;
    const int turns = RunFor(3s);
    EXPECT_LT(turns, 50) << "the pump kept waking up";
    EXPECT_THROW(port.Output(0x00), SerialError);
    EXPECT_TRUE(port.PortOpen());  // until the program closes it
    port.SetPortOpen(false);
}

}  // namespace
}  // namespace vantrel
