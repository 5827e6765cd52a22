#pragma once
// A window on virtual time for the suites that talk to tavs: the simulator's serial port
// and pump, scripted dialogs, and a type table kept in a registry file of its own holding
// the 35 default rows, or the file given. Form_Load has run (the covers are in place, TypeTable is loaded).
// The Program command's transfer runs in place (support/InPlaceTransfer.h).

#include <cstdint>
#include <deque>
#include <optional>
#include <string>

#include "app/Bootstrap.h"
#include "sim/TavDevice.h"
#include "sim/VirtualPump.h"
#include "sim/VirtualSerialPort.h"
#include "support/InPlaceTransfer.h"
#include "support/ScratchRegistry.h"
#include "support/ScriptedDialogs.h"
#include "support/TempDir.h"

namespace vantrel::test {

class SimWindow {
public:
    // registryFile: the contents of the .reg file to start from (not on Windows), instead
    // of the default table.
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
    ScratchRegistry registry_;

public:
    sim::VirtualPump pump;
    sim::VirtualSerialPort port{pump};
    ScriptedDialogs dialogs;
    Bootstrap w;

private:
    InPlaceTransfer inPlace_{w.Wire};
    std::deque<sim::TavDevice> tavs_;
};

}  // namespace vantrel::test
