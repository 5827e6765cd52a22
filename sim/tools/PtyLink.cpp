#include "sim/tools/PtyLink.h"

// termios2 and TCGETS2 come from the kernel's headers; <termios.h> clashes with them,
// so this file uses the kernel's definitions only.
#include <asm/termbits.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace vantrel::sim {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what) { throw std::system_error(errno, std::generic_category(), what); }

void MakeRaw(int fd) {
    termios2 t{};
    if (ioctl(fd, TCGETS2, &t) != 0) ThrowErrno("TCGETS2 on the slave");
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | CSIZE | PARENB | PARODD | CSTOPB);
    t.c_cflag |= BOTHER | CS8 | CREAD | CLOCAL;
    t.c_ispeed = t.c_ospeed = 9600;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    if (ioctl(fd, TCSETS2, &t) != 0) ThrowErrno("TCSETS2 on the slave");
}

}  // namespace

vantrel::LineSettings SettingsSeenOnMaster(unsigned baud, bool parOdd, bool twoStopBits) {
    vantrel::LineSettings s;
    s.baud = static_cast<int>(baud);
    s.dataBits = 8;
    s.stopBits = twoStopBits ? 2 : 1;
    s.parity = parOdd ? vantrel::Parity::Odd : twoStopBits ? vantrel::Parity::None : vantrel::Parity::Even;
    return s;
}

PtyLink::PtyLink() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0) ThrowErrno("posix_openpt");
    try {
        if (grantpt(master_) != 0) ThrowErrno("grantpt");
        if (unlockpt(master_) != 0) ThrowErrno("unlockpt");
        char name[256];
        if (const int rc = ptsname_r(master_, name, sizeof name); rc != 0) {
            errno = rc;
            ThrowErrno("ptsname_r");
        }
        slavePath_ = name;
        slave_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (slave_ < 0) ThrowErrno("open " + slavePath_);
        MakeRaw(slave_);
    } catch (...) {
        if (slave_ >= 0) close(slave_);
        close(master_);
        throw;
    }
}

PtyLink::~PtyLink() {
    close(slave_);
    close(master_);
}

vantrel::LineSettings PtyLink::SlaveSettings() const {
    termios2 t{};
    if (ioctl(master_, TCGETS2, &t) != 0) ThrowErrno("TCGETS2 on the master");
    return SettingsSeenOnMaster(t.c_ospeed, (t.c_cflag & PARODD) != 0, (t.c_cflag & CSTOPB) != 0);
}

}  // namespace vantrel::sim
