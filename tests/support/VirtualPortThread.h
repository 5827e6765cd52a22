#pragma once
// Port threads for the suites: each thread a virtual line of its own (its own port, pump
// and virtual time), equipped by the test before the work runs on it.

#include <functional>
#include <memory>
#include <thread>

#include "serial/PortThread.h"
#include "support/SimLine.h"

namespace vantrel::test {

class VirtualPortThread : public PortThread {
public:
    using Equip = std::function<void(SimLine&)>;
    VirtualPortThread(Equip equip, PortWork work)
        : thread_([equip = std::move(equip), work = std::move(work)] {
              SimLine line;
              equip(line);
              work(line.port, line.pump);
          }) {}
    ~VirtualPortThread() override { thread_.join(); }

private:
    std::thread thread_;
};

inline StartPortThread VirtualPortThreads(VirtualPortThread::Equip equip) {
    return [equip = std::move(equip)](PortWork work, PortFailure) {
        return std::make_unique<VirtualPortThread>(equip, std::move(work));
    };
}

}  // namespace vantrel::test
