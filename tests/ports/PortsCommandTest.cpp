// vantrel-cli ports over a fake machine: the listing (a port another program holds marked
// in use), --json, the --save round trip that
// keeps COM1 with its adapter after re-plugging; and the console's permission notice.

#include <fcntl.h>
#include <gmock/gmock.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <nlohmann/json.hpp>

#include "FakeMachine.h"
#include "cli/DeniedPortNotice.h"
#include "cli/PortsCommand.h"
#include "ports/ComPortMap.h"
#include "ports/PortInUse.h"
#include "sim/VirtualSerialPort.h"
#include "support/ScopedEnv.h"

namespace vantrel::test {
namespace {

using namespace ::testing;

// A FILE* that collects what is written to it.
class Captured {
public:
    Captured() : file_(::open_memstream(&buffer_, &size_)) {}
    ~Captured() { std::fclose(file_); std::free(buffer_); }
    std::FILE* File() const { return file_; }
    std::string Text() const { std::fflush(file_); return std::string(buffer_, size_); }

private:
    char* buffer_ = nullptr;
    std::size_t size_ = 0;
    std::FILE* file_;
};

struct PortsRun {
    int exit;
    std::string out, err;
};

PortsRun Ports(const PortRoots& roots, bool save, bool json) {
    Captured out, err;
    const int exit = cli::ToInt(cli::RunPortsCommand(roots, save, json, out.File(), err.File()));
    return {exit, out.Text(), err.Text()};
}

TEST(PortsCommand, ListsWhereEachComPortComesFromAndEveryPortFoundAlsoInJson) {
    FakeMachine m;
    m.PlugUsb("ttyUSB0", "1-1", "FT232R USB UART", "FTDI", "A10K", "usb-FTDI_A10K-if00-port0");
    m.BuiltIn("ttyS0", 4);
    m.roots.variables[1] = "none";
    m.WriteSystemFile("COM3=/dev/pts/9\nCOM3=/dev/pts/8\n");
    const std::string system = m.roots.systemPortsFile.string();
    // Another program keeps COM1's adapter to itself, as pyserial's exclusive mode does.
    const int held = ::open(m.Dev("ttyUSB0").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0);

    const PortsRun text = Ports(m.roots, false, false);
    EXPECT_EQ(text.exit, 0);
    EXPECT_EQ(text.out, "COM1  " + m.Dev("ttyUSB0") + "  (found)\n"
                        "      in use by another program\n"
                        "COM2  no device  (set by VANTREL_COM2)\n"
                        "COM3  /dev/pts/9  (from " + system + ")\n"
                        "COM4  " + m.Dev("ttyS0") + "  (found)\n"
                        "Serial ports found:\n"
                        "  " + m.Dev("ttyUSB0") + "  FT232R USB UART  maker: FTDI  serial number: A10K\n"
                        "      " + m.ById("usb-FTDI_A10K-if00-port0") + "\n"
                        "  " + m.Dev("ttyS0") + "\n");
    const std::string ignored = system + " line 2 ignored (COM3 is named earlier in the file): COM3=/dev/pts/8";
    EXPECT_EQ(text.err, "vantrel-cli: " + ignored + "\n");

    const PortsRun json = Ports(m.roots, false, true);
    std::vector<nlohmann::json> events;
    std::istringstream lines(json.out);
    for (std::string line; std::getline(lines, line);) events.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(events.size(), 8u);
    EXPECT_EQ(events[0], nlohmann::json({{"event", "note"}, {"text", ignored}}));
    EXPECT_EQ(events[1]["inUse"], true);
    EXPECT_EQ(events[2], nlohmann::json({{"event", "com"}, {"port", 2}, {"device", ""}, {"source", "variable"},
                                         {"origin", "VANTREL_COM2"}, {"inUse", false}}));
    EXPECT_EQ(events[3]["source"], "file");
    EXPECT_EQ(events[3]["origin"], system);
    EXPECT_EQ(events[5], nlohmann::json({{"event", "found"}, {"device", m.Dev("ttyUSB0")},
                                         {"by_id", m.ById("usb-FTDI_A10K-if00-port0")},
                                         {"description", "FT232R USB UART"}, {"manufacturer", "FTDI"},
                                         {"serial_number", "A10K"}}));
    EXPECT_EQ(events[7], nlohmann::json({{"event", "outcome"}, {"result", "ok"}, {"exit", 0}, {"summary", ""}}));
    EXPECT_EQ(json.err, "");
    ::close(held);
}

// The kernel's table of locks, as /proc/locks has it: device 0:19 is "00:13", the inode
// in decimal; a lock only waited for is no one's.
TEST(PortsCommand, OnlyAFlockHeldOnTheDevicesOwnNodeMarksItInUse) {
    const struct { const char* table; bool inUse; } cases[] = {
        {"1: FLOCK  ADVISORY  WRITE 4321 00:13:77 0 EOF\n", true},
        {"1: POSIX  ADVISORY  WRITE 99 fd:01:5 0 EOF\n2: FLOCK  ADVISORY  READ 4321 00:13:77 0 EOF\n", true},
        {"1: FLOCK  ADVISORY  WRITE 4321 00:13:78 0 EOF\n", false},  // another node
        {"1: FLOCK  ADVISORY  WRITE 4321 00:12:77 0 EOF\n", false},  // another file system
        {"1: POSIX  ADVISORY  WRITE 4321 00:13:77 0 EOF\n", false},  // not a flock
        {"1: FLOCK  ADVISORY  WRITE 4321 00:13:7 0 EOF\n1: -> FLOCK  ADVISORY  WRITE 555 00:13:77 0 EOF\n", false},
        {"1: FLOCK  ADVISORY  WRITE 4321 00:13:77x 0 EOF\n", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.table);
        EXPECT_EQ(ListsFlockOn(c.table, 0x0, 0x13, 77), c.inUse);
    }
}

TEST(PortsCommand, SaveWritesTheMappingByStableNamesSoEachComPortKeepsItsAdapterAfterReplugging) {
    FakeMachine m;
    m.PlugUsb("ttyUSB0", "1-1", "A", "FTDI", "A1", "usb-FTDI_A1-if00-port0");
    m.PlugUsb("ttyUSB1", "1-2", "B", "FTDI", "B2", "usb-FTDI_B2-if00-port0");
    m.WriteSystemFile("COM3=none\n");
    m.roots.variables[0] = "/dev/pts/4";  // one run's choice: not saved
    const std::string user = m.roots.userPortsFile.string();

    const PortsRun saved = Ports(m.roots, true, false);
    EXPECT_EQ(saved.exit, 0);
    EXPECT_THAT(saved.out, EndsWith("COM1 to COM4 saved to " + user + "\n"));
    EXPECT_EQ(m.ReadUserFile(), "# Written by vantrel-cli ports --save\n"
                                "COM1=" + m.ById("usb-FTDI_A1-if00-port0") + "\n"
                                "COM2=" + m.ById("usb-FTDI_B2-if00-port0") + "\n"
                                "COM3=none\n"
                                "# COM4 not named: the first serial port found that no line names\n");

    // Both unplugged and plugged in again the other way round: the kernel swaps the
    // numbers, the saved names follow the adapters. A third adapter goes to COM4.
    m.Unplug("ttyUSB0", "1-1", "usb-FTDI_A1-if00-port0");
    m.Unplug("ttyUSB1", "1-2", "usb-FTDI_B2-if00-port0");
    m.PlugUsb("ttyUSB0", "1-2", "B", "FTDI", "B2", "usb-FTDI_B2-if00-port0");
    m.PlugUsb("ttyUSB1", "1-1", "A", "FTDI", "A1", "usb-FTDI_A1-if00-port0");
    m.PlugUsb("ttyUSB2", "1-3", "C", "FTDI", "C3", "usb-FTDI_C3-if00-port0");
    m.roots.variables[0].clear();
    const ComPortMap map = MapComPorts(m.roots);
    const auto device = [&](int n) { return map.com[n - 1].device; };
    EXPECT_EQ(std::filesystem::canonical(device(1)), std::filesystem::canonical(m.Dev("ttyUSB1")));
    EXPECT_EQ(std::filesystem::canonical(device(2)), std::filesystem::canonical(m.Dev("ttyUSB0")));
    EXPECT_EQ(device(3), "");
    EXPECT_EQ(device(4), m.Dev("ttyUSB2"));

    // Never over something that is not a regular file.
    std::filesystem::remove(m.roots.userPortsFile);
    std::filesystem::create_directory(m.roots.userPortsFile);
    const PortsRun refused = Ports(m.roots, true, false);
    EXPECT_EQ(refused.exit, 1);
    EXPECT_EQ(refused.err, "vantrel-cli: " + user + " is not a regular file: not replaced\n");
    EXPECT_EQ(refused.out, "");
}

TEST(DeniedPortNotice, SaysOncePerDeviceWhyAPortCouldNotBeOpenedAndStillFailsTheOpening) {
    const ScopedEnv com1("VANTREL_COM1", "/dev/ttyUSB0"), com2("VANTREL_COM2", "/dev/ttyUSB1"),
        com3("VANTREL_COM3", "/dev/ttyS2");
    sim::VirtualPump pump;
    sim::VirtualSerialPort absent{pump};  // no port exists: every opening fails
    Captured err;
    cli::DeniedPortNotice port(absent, err.File(), {}, [](const std::string& device) {
        return device == "/dev/ttyS2" ? "" : "cannot open " + device + ": permission denied";
    });
    for (int n : {1, 1, 2, 3, 1}) {
        port.SetCommPort(static_cast<std::int16_t>(n));
        EXPECT_THROW(port.SetPortOpen(true), SerialError);
    }
    EXPECT_EQ(err.Text(), "vantrel-cli: COM1: cannot open /dev/ttyUSB0: permission denied\n"
                          "vantrel-cli: COM2: cannot open /dev/ttyUSB1: permission denied\n");
}

TEST(PortPermission, TellsTheUserWhatToDoAboutTheGroup) {
    const std::string denied = "cannot open /dev/ttyUSB0: permission denied";
    const struct Case {
        DeniedAccess access;
        std::string text;
    } cases[] = {
        {{"/dev/ttyUSB0", "dialout", false, false},
         denied + "; it belongs to the group dialout, which you are not in "
                  "(sudo usermod -aG dialout $USER, then log out and in again)"},
        {{"/dev/ttyUSB0", "dialout", false, true},
         denied + "; it belongs to the group dialout, which you joined after logging in: log out and in again (or reboot)"},
        {{"/dev/ttyUSB0", "dialout", true, true}, denied},
        {{"/dev/ttyUSB0", "", false, false}, denied},
    };
    for (const Case& c : cases) EXPECT_EQ(DescribeDenied(c.access), c.text);
}

}  // namespace
}  // namespace vantrel::test
