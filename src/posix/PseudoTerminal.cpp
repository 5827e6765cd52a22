#include "posix/PseudoTerminal.h"

#ifdef __linux__
#include <linux/major.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

namespace vantrel {

bool IsPseudoTerminal(int fd) {
#ifdef __linux__
    struct stat device {};
    if (fd < 0 || ::fstat(fd, &device) != 0 || !S_ISCHR(device.st_mode)) return false;
    const unsigned kind = major(device.st_rdev);
    // /dev/pts/N, and the old BSD-style /dev/ttyXY slaves.
    return (kind >= UNIX98_PTY_SLAVE_MAJOR && kind < UNIX98_PTY_SLAVE_MAJOR + UNIX98_PTY_MAJOR_COUNT) ||
           kind == PTY_SLAVE_MAJOR;
#else
    (void)fd;
    return false;
#endif
}

}  // namespace vantrel
