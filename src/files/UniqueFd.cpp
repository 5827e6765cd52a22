#ifndef _WIN32

#include "files/UniqueFd.h"

#include <unistd.h>

namespace vantrel {

void UniqueFd::reset() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
}

}  // namespace vantrel

#endif
