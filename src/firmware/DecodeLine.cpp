#include "firmware/DecodeLine.h"

namespace vantrel {

std::optional<std::string> DecodeLine(std::string_view line, std::int16_t& KeyPos) {
    constexpr int kLength = static_cast<int>(kPassPhrase.size());
    if (KeyPos < 1 || KeyPos > kLength) KeyPos = 1;

    std::string result;
    result.reserve(line.size());
    for (char ch : line) {
        const int c = static_cast<std::uint8_t>(ch);
        const int k = static_cast<std::uint8_t>(kPassPhrase[KeyPos - 1]);
        const int d = c - k;
        // No wrap-around through 256: such a character cannot come from the phrase.
        if (d < 0) return std::nullopt;
        result.push_back(static_cast<char>(d));
        KeyPos = static_cast<std::int16_t>(KeyPos == kLength ? 1 : KeyPos + 1);
    }
    return result;
}

}  // namespace vantrel
