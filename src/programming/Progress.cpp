#include "programming/Progress.h"

#include <cstdint>
#include <cstdio>

namespace vantrel {

std::string PercentText(int done, int total) {
    // Tenths of a percent, rounded half up in exact integer arithmetic, so 1 of 16 shows
    // 06.3% and not whatever a binary fraction happens to round to.
    const std::int64_t tenths = (2000LL * done + total) / (2LL * total);
    char text[32];
    std::snprintf(text, sizeof text, "%02lld.%lld%%", static_cast<long long>(tenths / 10),
                  static_cast<long long>(tenths % 10));
    return text;
}

}  // namespace vantrel
