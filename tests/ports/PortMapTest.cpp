// Which device stands for COM1..COM4: the ports file's lines, the serial ports found and
// their order, and the precedence of variable, user file, system file and ports found.

#include <gmock/gmock.h>
#include <sys/stat.h>

#include "FakeMachine.h"
#include "ports/ComPortMap.h"
#include "ports/PortsFile.h"

namespace vantrel::test {
namespace {

using namespace ::testing;
using Devices = std::array<std::optional<std::string>, 4>;
constexpr std::nullopt_t no = std::nullopt;

TEST(PortsFile, ReadsCom1ToCom4AndNamesEveryOtherLineOnce) {
    const struct Case {
        const char* text;
        Devices devices;
        std::vector<std::string> problems;
    } cases[] = {
        {"\xEF\xBB\xBF" "COM1=/dev/serial/by-id/usb-FTDI_A1-if00-port0\n", {{"/dev/serial/by-id/usb-FTDI_A1-if00-port0"}}, {}},
        {"# adapters\n\n  COM2 = /dev/ttyUSB1 \r\ncom4=ttyACM0", {{no, "/dev/ttyUSB1", no, "ttyACM0"}}, {}},
        {"COM1=none\nCOM3=NONE\n", {{"", no, ""}}, {}},
        {"COM1=/dev/a\nCOM1=/dev/b\n", {{"/dev/a"}}, {"f line 2 ignored (COM1 is named earlier in the file): COM1=/dev/b"}},
        {"COM5=/dev/ttyS4\nCOM=/dev/x\n/dev/ttyUSB0\nCOM2=\nCOM3=/dev/y",
         {{no, no, "/dev/y"}},
         {"f line 1 ignored (not COM1 to COM4 = device): COM5=/dev/ttyS4",
          "f line 2 ignored (not COM1 to COM4 = device): COM=/dev/x",
          "f line 3 ignored (not COM1 to COM4 = device): /dev/ttyUSB0",
          "f line 4 ignored (no device; write none for no port): COM2="}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const PortsFileContents contents = ParsePortsFile(c.text, "f");
        EXPECT_EQ(contents.devices, c.devices);
        EXPECT_EQ(contents.problems, c.problems);
    }
}

TEST(FoundPorts, UsbAdaptersThenUartsEachByNumberNeverTheConsoleNorAPortWithoutHardware) {
    FakeMachine m;
    m.BuiltIn("ttyS0", 4);
    m.BuiltIn("ttyS1", 4);
    m.BuiltIn("ttyS2", 0);
    m.BuiltIn("ttyS10", 4);
    m.Console("tty0 ttyS0");
    m.Virtual("tty0");
    m.Virtual("ptmx");
    m.Virtual("ttyUSB");
    m.PlugUsb("ttyUSB10", "1-3", "Quad RS232", "Acme", "Q7", "");
    m.PlugUsb("ttyACM0", "1-1", "Tav bridge", "Telvar", "T100", "usb-Telvar_Tav_bridge_T100-if00");
    m.PlugUsb("ttyUSB2", "1-2", "FT232R USB UART", "FTDI", "A10K", "usb-FTDI_FT232R_USB_UART_A10K-if00-port0");

    const std::vector<FoundPort> found = FindSerialPorts(m.roots.sysClassTty, m.roots.dev);
    std::vector<std::string> names;
    for (const FoundPort& p : found) names.push_back(p.name);
    EXPECT_THAT(names, ElementsAre("ttyUSB2", "ttyUSB10", "ttyACM0", "ttyS1", "ttyS10"));
    EXPECT_EQ(found[0].device, m.Dev("ttyUSB2"));
    EXPECT_EQ(found[0].byId, m.ById("usb-FTDI_FT232R_USB_UART_A10K-if00-port0"));
    EXPECT_THAT(std::tie(found[0].description, found[0].manufacturer, found[0].serialNumber),
                FieldsAre("FT232R USB UART", "FTDI", "A10K"));
    EXPECT_EQ(found[1].byId, "") << "no by-id link for it";
    EXPECT_THAT(std::tie(found[3].description, found[3].manufacturer, found[3].serialNumber), FieldsAre("", "", ""));
}

TEST(ComPortMap, VariableOverUserFileOverSystemFileOverPortsFoundThatNoneOfThemNames) {
    const auto choice = [](const ComPortChoice& c) { return std::tie(c.device, c.source, c.origin); };
    FakeMachine m;
    m.PlugUsb("ttyUSB0", "1-1", "A", "FTDI", "A1", "usb-A1");
    m.PlugUsb("ttyUSB1", "1-2", "B", "FTDI", "B2", "usb-B2");
    m.BuiltIn("ttyS0", 4);
    const std::string user = m.roots.userPortsFile.string(), system = m.roots.systemPortsFile.string();

    // Nothing named: the ports found, in their order; none left for COM4.
    ComPortMap map = MapComPorts(m.roots);
    EXPECT_THAT(choice(map.com[0]), FieldsAre(m.Dev("ttyUSB0"), PortSource::Found, ""));
    EXPECT_THAT(choice(map.com[2]), FieldsAre(m.Dev("ttyS0"), PortSource::Found, ""));
    EXPECT_THAT(choice(map.com[3]), FieldsAre("", PortSource::Nowhere, ""));

    // The user's file names ttyUSB0 by its by-id link for COM2, so it is not found again for
    // COM1; the system file's COM2 and COM3 yield to the user's and to the variable.
    m.WriteUserFile("COM2=" + m.ById("usb-A1") + "\nCOM9=x\n");
    m.WriteSystemFile("COM2=/dev/ttyS7\nCOM3=/dev/ttyS8\nCOM4=none\n");
    m.roots.variables[2] = "/dev/pts/7";
    map = MapComPorts(m.roots);
    EXPECT_THAT(choice(map.com[0]), FieldsAre(m.Dev("ttyUSB1"), PortSource::Found, ""));
    EXPECT_THAT(choice(map.com[1]), FieldsAre(m.ById("usb-A1"), PortSource::File, user));
    EXPECT_THAT(choice(map.com[2]), FieldsAre("/dev/pts/7", PortSource::Variable, "VANTREL_COM3"));
    EXPECT_THAT(choice(map.com[3]), FieldsAre("", PortSource::File, system));
    EXPECT_THAT(map.problems, ElementsAre(user + " line 2 ignored (not COM1 to COM4 = device): COM9=x"));

    // A variable of none leaves the port without a device; the port found goes on to COM4.
    m.roots.variables[0] = "none";
    m.roots.variables[3] = "";
    m.WriteSystemFile("");
    map = MapComPorts(m.roots);
    EXPECT_THAT(choice(map.com[0]), FieldsAre("", PortSource::Variable, "VANTREL_COM1"));
    EXPECT_THAT(choice(map.com[3]), FieldsAre(m.Dev("ttyUSB1"), PortSource::Found, ""));

    // A ports file that is a FIFO or a folder is one problem, never read (a FIFO would block).
    std::filesystem::remove(m.roots.userPortsFile);
    ASSERT_EQ(::mkfifo(m.roots.userPortsFile.c_str(), 0600), 0);
    std::filesystem::remove(m.roots.systemPortsFile);
    std::filesystem::create_directory(m.roots.systemPortsFile);
    map = MapComPorts(m.roots);
    EXPECT_THAT(map.problems, ElementsAre("ports file " + user + " ignored: not a regular file",
                                          "ports file " + system + " ignored: not a regular file"));
    EXPECT_THAT(choice(map.com[1]), FieldsAre(m.Dev("ttyUSB0"), PortSource::Found, ""));
}

}  // namespace
}  // namespace vantrel::test
