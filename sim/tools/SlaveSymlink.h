#pragma once
// A fixed name for the pty slave, whose own name changes from run to run: a symlink
// made on start and removed on exit (only while it still points at this slave).

#include <string>

namespace vantrel::sim {

class SlaveSymlink {
public:
    // Replaces an existing symlink at linkPath (one left by an earlier run); refuses to
    // replace anything else. Throws std::system_error or std::runtime_error.
    SlaveSymlink(std::string linkPath, std::string slavePath);
    ~SlaveSymlink();
    SlaveSymlink(const SlaveSymlink&) = delete;
    SlaveSymlink& operator=(const SlaveSymlink&) = delete;

private:
    std::string linkPath_;
    std::string slavePath_;
};

}  // namespace vantrel::sim
