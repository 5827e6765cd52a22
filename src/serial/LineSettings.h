#pragma once
// The settings text of the serial control, e.g. "9600,o,8,1", taken apart.

#include <optional>
#include <string>

namespace vantrel {

enum class Parity { None, Odd, Even };

struct LineSettings {
    int baud = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    int stopBits = 1;

    bool operator==(const LineSettings&) const = default;
};

// Empty for a malformed text: wrong field count, a rate outside 110..115200, a parity
// other than n/o/e (either case), data bits outside 5..8, stop bits other than 1 or 2.
std::optional<LineSettings> ParseLineSettings(const std::string& text);

}  // namespace vantrel
