#pragma once
// Deciphering of the data lines of a PHX firmware file.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// The pass phrase the data lines are enciphered with; position 1 is its first character.
inline constexpr std::string_view kPassPhrase =
    "GREY HERON WAITS BY THE COLD LAKES FOR A SILVER FISH TO RISE";
static_assert(kPassPhrase.size() == 60);

// Deciphers one line (or one piece of a line) with the running key: each character
// loses the code of the pass-phrase character at KeyPos, and KeyPos moves on (60 wraps
// to 1), so consecutive calls continue the one key stream. A character whose code is
// below its key character's fails: no result, and KeyPos stays at that character.
// KeyPos outside 1..60 (nothing loaded yet) starts the stream at 1.
std::optional<std::string> DecodeLine(std::string_view line, std::int16_t& KeyPos);

}  // namespace vantrel
