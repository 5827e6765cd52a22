#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

namespace vantrel {

struct FirmwareRecord {
    std::int16_t WordAddress = 0;
    std::array<std::uint8_t, 16> Data{};
};

// Slots for 1024 data records plus the end record, which is stored before it is recognised.
inline constexpr int kRecordSlots = 1025;
inline constexpr std::int16_t EndWordAddress = 0x1F30;

// Target reply code of tavs that talk only while RTS is on.
inline constexpr std::uint8_t kRtsTarget = 0x99;

// Target reply codes of firmware for the IR micro behind a tav: it is found through the
// link to the micro, loaded with the IR loader bytes, and restarted through the micro.
inline constexpr std::array<std::uint8_t, 4> kIrMicroTargets{0x25, 0x26, 0x29, 0x2C};
inline bool IsIrMicroTarget(std::uint8_t targetReply) {
    return std::ranges::find(kIrMicroTargets, targetReply) != kIrMicroTargets.end();
}

}  // namespace vantrel
