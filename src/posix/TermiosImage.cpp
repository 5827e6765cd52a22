#include "posix/TermiosImage.h"

#ifdef __linux__
// termios2 and its requests come from the kernel's headers, which clash with <termios.h>:
// this file uses the kernel's definitions only.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstring>
#endif

namespace vantrel {

#ifdef __linux__
std::optional<TermiosImage> TermiosImage::Take(int fd) {
    static_assert(sizeof(termios2) <= sizeof(state_));
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0) return std::nullopt;
    TermiosImage image;
    std::memcpy(image.state_.data(), &t, sizeof t);
    return image;
}

bool TermiosImage::PutOn(int fd) const {
    termios2 t{};
    std::memcpy(&t, state_.data(), sizeof t);
    return ::ioctl(fd, TCSETS2, &t) == 0;
}
#else
std::optional<TermiosImage> TermiosImage::Take(int) { return std::nullopt; }
bool TermiosImage::PutOn(int) const { return false; }
#endif

}  // namespace vantrel
