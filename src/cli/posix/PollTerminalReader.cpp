#include "cli/posix/PollTerminalReader.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace vantrel::cli {

bool PollTerminalReader::ReadLine(std::string& line) {
    // Byte by byte, so nothing after the line is taken from the terminal.
    for (;;) {
        pollfd fds[2] = {{inputFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (fds[1].revents & POLLIN) return false;
        if (!(fds[0].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char c = 0;
        const ssize_t n = ::read(inputFd_, &c, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        if (c == '\n') return true;
        line += c;
    }
}

}  // namespace vantrel::cli
