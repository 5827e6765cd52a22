#pragma once
// A window on virtual time for the suites that talk to tavs: the simulator's serial port
// and pump, scripted dialogs, and a type table kept in a registry file of its own holding
// the 35 default rows, or the file given. Form_Load has run (the covers are in place,
// TypeTable is loaded).

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>

#include "app/Bootstrap.h"
#include "registry/RegFileStore.h"
#include "sim/TavDevice.h"
#include "sim/VirtualPump.h"
#include "sim/VirtualSerialPort.h"
#include "support/ScriptedDialogs.h"

namespace vantrel::test {

// A fresh directory, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Copies a registry file holding the default type table (version 19) into dir; returns
// its path. Cheaper than letting every start-up write the table afresh.
std::filesystem::path CopyOfDefaultRegistry(const std::filesystem::path& dir);

class SimWindow {
public:
    explicit SimWindow(const std::optional<std::string>& registryFile = std::nullopt);

    // Puts a tav on COMn (the port exists from now on); the fixture keeps it alive.
    sim::TavDevice& AttachTav(int comPort, sim::TavProfile profile = {}, sim::TavFaults faults = {});

    Instant Now() const { return pump.Now(); }
    // Virtual time the call took.
    template <class F>
    Instant Timed(F&& fn) {
        const Instant start = pump.Now();
        fn();
        return pump.Now() - start;
    }
    // Name of the first TypeTable row with this reply code ("" when none).
    std::string NameOfReply(std::uint8_t reply) const;

private:
    TempDir dir_;
    RegFileStore registry_;

public:
    sim::VirtualPump pump;
    sim::VirtualSerialPort port{pump};
    ScriptedDialogs dialogs;
    Bootstrap w;

private:
    std::deque<sim::TavDevice> tavs_;
};

}  // namespace vantrel::test
