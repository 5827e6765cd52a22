#pragma once
// The claim on a serial device that keeps other programs off it while the port is open,
// taken before QSerialPort opens the device. QSerialPort's open puts raw mode and the line
// settings on the device straight away, and termios belongs to the device, not to the
// descriptor: a port found in use only after that would already have changed the line
// under the program that has it. QSerialPort's own guards do not suffice either: its lock
// file is named after the path (a by-id link and /dev/ttyUSB0 get two), tools that lock
// with flock do not look at it, and root passes its TIOCEXCL.
//
// The claim is a flock(LOCK_EX) on a descriptor of its own, held as long as the claim.
// Linux only.

#include <string>

namespace vantrel {

class DeviceClaim {
public:
    // Throws PortInUseError when another program has the device: a flock on it (seen
    // in /proc/locks, before the device is even opened), or the kernel's exclusive mode
    // (the opening fails with EBUSY, or for root, who gets in, TIOCGEXCL tells). Throws
    // SerialError when the device cannot be opened. name: "COMn (device)", for messages.
    DeviceClaim(const std::string& device, const std::string& name);
    ~DeviceClaim();
    DeviceClaim(const DeviceClaim&) = delete;
    DeviceClaim& operator=(const DeviceClaim&) = delete;

    // The claim's own descriptor of the device, non-blocking; no reads or writes on it.
    int Fd() const { return fd_; }

private:
    int fd_ = -1;
};

}  // namespace vantrel
