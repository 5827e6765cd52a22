#include "posix/LowLatency.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

namespace vantrel {

bool DescriptorDriverFlags::Read(int& flags) {
    serial_struct driver{};
    if (::ioctl(fd_, TIOCGSERIAL, &driver) != 0) return false;
    flags = driver.flags;
    return true;
}

bool DescriptorDriverFlags::Write(int flags) {
    serial_struct driver{};
    if (::ioctl(fd_, TIOCGSERIAL, &driver) != 0) return false;
    driver.flags = flags;
    return ::ioctl(fd_, TIOCSSERIAL, &driver) == 0;
}

LowLatency::LowLatency(SerialDriverFlags& driver) : driver_(driver) {
    int flags = 0;
    if (!driver_.Read(flags)) {
        remark_ = std::string("low latency: refused by the driver (") + std::strerror(errno) + ")";
    } else if (flags & ASYNC_LOW_LATENCY) {
        remark_ = "low latency: already on";
    } else if (!driver_.Write(flags | ASYNC_LOW_LATENCY)) {
        remark_ = std::string("low latency: refused by the driver (") + std::strerror(errno) + ")";
    } else {
        turnedOn_ = true;
        remark_ = "low latency: on until the port closes";
    }
}

LowLatency::~LowLatency() {
    // Only the one flag goes back: whatever else the driver's flags hold now stays.
    // A device that has gone away refuses, and there is nothing left to put back.
    int flags = 0;
    if (turnedOn_ && driver_.Read(flags)) driver_.Write(flags & ~ASYNC_LOW_LATENCY);
}

}  // namespace vantrel
