#pragma once
// A machine's serial ports as folders and links in a temporary directory: sysfs's
// class/tty and devices, /dev with serial/by-id, and the two ports files.

#include <filesystem>
#include <string>

#include "ports/PortRoots.h"
#include "support/SimWindow.h"

namespace vantrel::test {

class FakeMachine {
public:
    FakeMachine();

    // A USB adapter at USB bus position `position` ("1-2"), as the kernel names it (ttyUSB0 or
    // ttyACM0), with its product, maker and serial number and its by-id link (empty: none).
    void PlugUsb(const std::string& name, const std::string& position, const std::string& product,
                 const std::string& maker, const std::string& serial, const std::string& byId);
    // The adapter unplugged: its tty, USB device and by-id link gone.
    void Unplug(const std::string& name, const std::string& position, const std::string& byId);
    // A built-in port; type 0 is the serial8250 driver's "no UART here".
    void BuiltIn(const std::string& name, int type);
    // A tty without hardware: no device link, no type.
    void Virtual(const std::string& name);
    void Console(const std::string& active);

    void WriteUserFile(const std::string& text) const;
    void WriteSystemFile(const std::string& text) const;
    std::string ReadUserFile() const;

    const std::filesystem::path& Root() const { return dir_.Path(); }
    std::string Dev(const std::string& name) const { return (dev_ / name).string(); }
    std::string ById(const std::string& link) const { return (dev_ / "serial" / "by-id" / link).string(); }
    PortRoots roots;

private:
    TempDir dir_;
    std::filesystem::path classTty_, devices_, dev_;
};

}  // namespace vantrel::test
