// The slave's line settings read on the pty master with TCGETS2, which gives the baud
// rate as a number (c_ospeed) whatever it is. Kept apart: <asm/termbits.h> and
// <termios.h> cannot meet in one file.

#include <asm/ioctls.h>
#include <asm/termbits.h>

#include "PtyPair.h"

extern "C" int ioctl(int fd, unsigned long request, ...);

namespace vantrel::test {

PtyPair::Line ReadLineSettings(int fd) {
    termios2 settings{};
    PtyPair::Line line;
    if (ioctl(fd, TCGETS2, &settings) != 0) return line;
    line.baud = settings.c_ospeed;
    line.oddParity = (settings.c_cflag & PARODD) != 0;
    line.twoStopBits = (settings.c_cflag & CSTOPB) != 0;
    switch (settings.c_cflag & CSIZE) {
        case CS5: line.dataBits = 5; break;
        case CS6: line.dataBits = 6; break;
        case CS7: line.dataBits = 7; break;
        default: line.dataBits = 8; break;
    }
    return line;
}

}  // namespace vantrel::test
