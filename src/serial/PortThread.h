#pragma once
// A thread of its own for one tav's programming, with a serial port and an event pump of
// the platform's made on it: each COM port is an independent line, so several tavs are
// programmed at the same time (the console's gang runs), each on its own thread, each
// blocking in its own pump; and the window's transfer goes on while the window cannot.

#include <functional>
#include <memory>

namespace vantrel {

class EventPump;
class SerialPort;

// Joined when destroyed.
class PortThread {
public:
    virtual ~PortThread() = default;
};

// Runs `work` on a new thread with a fresh port and pump that belong to that thread, or
// `failed` there when the platform cannot make them. Interruptions (Ctrl-C) are never
// delivered on it: they are the main thread's.
using PortWork = std::function<void(SerialPort& port, EventPump& pump)>;
using PortFailure = std::function<void(const char* what)>;
using StartPortThread = std::function<std::unique_ptr<PortThread>(PortWork work, PortFailure failed)>;

}  // namespace vantrel
