#pragma once
// The whole line state of a terminal device (flags, control characters, exact rates) as
// the kernel keeps it, taken from the device and put back in one system call each.

#include <array>
#include <cstddef>
#include <optional>

namespace vantrel {

class TermiosImage {
public:
    // Empty when the descriptor refuses (not a terminal, gone) or on systems without it.
    static std::optional<TermiosImage> Take(int fd);
    // At once, without draining; false when the device refuses.
    bool PutOn(int fd) const;

private:
    TermiosImage() = default;
    // The kernel's termios2, kept as bytes: its header cannot be included beside <termios.h>.
    alignas(8) std::array<std::byte, 64> state_{};
};

}  // namespace vantrel
