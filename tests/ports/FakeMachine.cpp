#include "FakeMachine.h"

#include <fstream>
#include <sstream>

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;

void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

}  // namespace

FakeMachine::FakeMachine()
    : classTty_(dir_.Path() / "sys" / "class" / "tty"),
      devices_(dir_.Path() / "sys" / "devices"),
      dev_(dir_.Path() / "dev") {
    fs::create_directories(classTty_);
    fs::create_directories(dev_ / "serial" / "by-id");
    roots.userPortsFile = dir_.Path() / "home" / ".config" / "vantrel" / "ports.conf";
    roots.systemPortsFile = dir_.Path() / "etc" / "vantrel" / "ports.conf";
    roots.sysClassTty = classTty_;
    roots.dev = dev_;
}

void FakeMachine::PlugUsb(const std::string& name, const std::string& position, const std::string& product,
                          const std::string& maker, const std::string& serial, const std::string& byId) {
    const fs::path usb = devices_ / "pci0000:00" / "usb1" / position;
    Write(usb / "idVendor", "0403\n");
    Write(usb / "product", product + "\n");
    Write(usb / "manufacturer", maker + "\n");
    Write(usb / "serial", serial + "\n");
    const fs::path port = usb / (position + ":1.0") / name;
    fs::create_directories(port);
    fs::create_directories(classTty_ / name);
    fs::create_directory_symlink(port, classTty_ / name / "device");
    Write(dev_ / name, "");
    if (!byId.empty()) fs::create_symlink("../../" + name, dev_ / "serial" / "by-id" / byId);
}

void FakeMachine::Unplug(const std::string& name, const std::string& position, const std::string& byId) {
    fs::remove_all(classTty_ / name);
    fs::remove_all(devices_ / "pci0000:00" / "usb1" / position);
    fs::remove(dev_ / name);
    fs::remove(dev_ / "serial" / "by-id" / byId);
}

void FakeMachine::BuiltIn(const std::string& name, int type) {
    const fs::path port = devices_ / "platform" / "serial8250" / "tty" / name;
    fs::create_directories(port);
    Write(classTty_ / name / "type", std::to_string(type) + "\n");
    fs::create_directory_symlink(devices_ / "platform" / "serial8250", classTty_ / name / "device");
    Write(dev_ / name, "");
}

void FakeMachine::Virtual(const std::string& name) { fs::create_directories(classTty_ / name); }

void FakeMachine::Console(const std::string& active) { Write(classTty_ / "console" / "active", active + "\n"); }

void FakeMachine::WriteUserFile(const std::string& text) const { Write(roots.userPortsFile, text); }

void FakeMachine::WriteSystemFile(const std::string& text) const { Write(roots.systemPortsFile, text); }

std::string FakeMachine::ReadUserFile() const {
    std::ostringstream text;
    text << std::ifstream(roots.userPortsFile).rdbuf();
    return text.str();
}

}  // namespace vantrel::test
