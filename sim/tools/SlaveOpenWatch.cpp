#include "sim/tools/SlaveOpenWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace vantrel::sim {

SlaveOpenWatch::SlaveOpenWatch(const std::string& slavePath) {
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "inotify_init1");
    if (inotify_add_watch(fd_, slavePath.c_str(), IN_OPEN | IN_CLOSE) < 0) {
        const int err = errno;
        close(fd_);
        throw std::system_error(err, std::generic_category(), "inotify_add_watch " + slavePath);
    }
}

SlaveOpenWatch::~SlaveOpenWatch() { close(fd_); }

void SlaveOpenWatch::TakeEvents() {
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd_, buffer, sizeof buffer);
        if (n <= 0) return;  // EAGAIN: all taken
        for (ssize_t at = 0; at < n;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            if (event.mask & IN_OPEN) {
                ++openCount_;
                everOpened_ = true;
            }
            if ((event.mask & IN_CLOSE) && openCount_ > 0) --openCount_;
            at += static_cast<ssize_t>(sizeof event + event.len);
        }
    }
}

}  // namespace vantrel::sim
