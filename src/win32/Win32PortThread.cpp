#include "win32/Win32PortThread.h"

#include <exception>
#include <optional>
#include <thread>

#include "win32/Win32EventPump.h"
#include "win32/Win32SerialPort.h"

namespace vantrel {
namespace {

class Win32PortThread : public PortThread {
public:
    Win32PortThread(PortWork work, PortFailure failed)
        : thread_([work = std::move(work), failed = std::move(failed)] {
              std::optional<Win32EventPump> pump;
              std::optional<Win32SerialPort> port;
              try {
                  pump.emplace();
                  port.emplace(*pump);
              } catch (const std::exception& e) {
                  return failed(e.what());
              }
              work(*port, *pump);
          }) {}
    ~Win32PortThread() override { thread_.join(); }

private:
    std::thread thread_;
};

}  // namespace

std::unique_ptr<PortThread> StartWin32PortThread(PortWork work, PortFailure failed) {
    return std::make_unique<Win32PortThread>(std::move(work), std::move(failed));
}

}  // namespace vantrel
