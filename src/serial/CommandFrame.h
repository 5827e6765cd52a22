#pragma once
// Every command to a tav starts the same way: the command byte at odd parity, 10 ms,
// then the line switched to even parity for what follows and for the reply.

#include <cstdint>

namespace vantrel {

class Link;

inline constexpr const char* kCommandSettings = "9600,o,8,1";
inline constexpr const char* kPayloadSettings = "9600,e,8,1";

// Drops stale input, sends `command` at odd parity, pauses 10 ms and leaves the line at
// even parity, ready for the rest of the frame.
void SendCommandByte(Link& link, std::uint8_t command);

}  // namespace vantrel
