#include "posix/DeviceClaim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ports/PortInUse.h"
#include "serial/SerialPort.h"

namespace vantrel {

DeviceClaim::DeviceClaim(const std::string& device, const std::string& name) {
    if (FlockHeldOn(device)) throw PortInUseError(name);
    // Opening a serial port raises its modem lines; what was locked just before this
    // opening is what the flock below finds.
    fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        if (error == EBUSY) throw PortInUseError(name);
        const std::string text = "Cannot open " + name + ": " + std::strerror(error);
        if (error == ENOENT || error == ENXIO || error == ENODEV) throw PortMissingError(text);
        if (error == EACCES || error == EPERM) throw PortDeniedError(text);
        throw SerialError(text);
    }
    int exclusive = 0;
    const bool heldExclusively = ::ioctl(fd_, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
    if (heldExclusively || ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd_);
        if (heldExclusively || error == EWOULDBLOCK) throw PortInUseError(name);
        throw SerialError("Cannot lock " + name + ": " + std::strerror(error));
    }
}

DeviceClaim::~DeviceClaim() { ::close(fd_); }

}  // namespace vantrel
