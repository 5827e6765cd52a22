#pragma once
// A link on virtual time for the protocol suites: the simulator's serial port and pump
// with tavs on chosen COM ports, the default type table, and no window.

#include <deque>
#include <vector>

#include "registry/DefaultTypes.h"
#include "serial/Link.h"
#include "sim/TavDevice.h"
#include "sim/VirtualPump.h"
#include "sim/VirtualSerialPort.h"

namespace vantrel::test {

class SimLine {
public:
    // Puts a tav on COMn (the port exists from now on); the fixture keeps it alive.
    sim::TavDevice& AttachTav(int comPort, sim::TavProfile profile = {}, sim::TavFaults faults = {}) {
        sim::TavDevice& tav = tavs_.emplace_back(std::move(profile), faults);
        port.AttachTav(comPort, tav);
        return tav;
    }
    // Opens COMn as the search and the flow leave it before an exchange.
    void Open(int comPort) {
        port.SetCommPort(static_cast<std::int16_t>(comPort));
        port.SetPortOpen(true);
    }

    Instant Now() const { return pump.Now(); }
    // Virtual time the call took.
    template <class F>
    Instant Timed(F&& fn) {
        const Instant start = pump.Now();
        fn();
        return pump.Now() - start;
    }

    sim::VirtualPump pump;
    sim::VirtualSerialPort port{pump};
    Link link{port, pump};
    std::vector<TypeRow> types = DefaultTypeRows();

private:
    std::deque<sim::TavDevice> tavs_;
};

}  // namespace vantrel::test
