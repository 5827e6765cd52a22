#pragma once

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

}  // namespace vantrel
