#pragma once
// Counts how many descriptors other processes hold on the pty slave, from inotify's open
// and close events on its device node. The simulator's own descriptor was opened before
// the watch began, so it is never counted.

#include <string>

namespace vantrel::sim {

class SlaveOpenWatch {
public:
    explicit SlaveOpenWatch(const std::string& slavePath);  // throws std::system_error
    ~SlaveOpenWatch();
    SlaveOpenWatch(const SlaveOpenWatch&) = delete;
    SlaveOpenWatch& operator=(const SlaveOpenWatch&) = delete;

    int Fd() const { return fd_; }  // readable when events are waiting
    void TakeEvents();               // reads the waiting events and updates the counts

    int OpenCount() const { return openCount_; }
    bool EverOpened() const { return everOpened_; }

private:
    int fd_ = -1;
    int openCount_ = 0;
    bool everOpened_ = false;
};

}  // namespace vantrel::sim
