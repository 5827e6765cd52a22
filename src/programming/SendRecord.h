#pragma once
// The loader transfer: one firmware record to a tav in its loader, repeated until the
// tav acknowledges it or the attempts run out.

#include <array>
#include <cstdint>

#include "firmware/FirmwareImage.h"

namespace vantrel {

class Bootstrap;

inline constexpr int kRecordAttempts = 7;

using RecordBlock = std::array<std::uint8_t, 19>;

// Address low, address high, the 16 data bytes, and a check byte that makes the 19 bytes
// add up to 255 modulo 256. The address goes out as its 16-bit two's complement, so a
// negative word address is sent as the bytes it is stored as.
RecordBlock BuildRecordBlock(const FirmwareRecord& record);

// Sends Records[index] on the open port (161 / ack 15, or 136 / ack 240 for an IR micro)
// and returns whether the tav acknowledged it. Shows nothing; a port error during an
// attempt counts as an attempt without reply. An index outside the image is refused.
// attempts, when given, receives the number of frames sent (for the run record).
bool SendRecord(Bootstrap& w, std::int16_t index, bool irMicro, int* attempts = nullptr);

}  // namespace vantrel
