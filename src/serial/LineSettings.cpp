#include "serial/LineSettings.h"

#include <charconv>
#include <vector>

namespace vantrel {
namespace {

std::vector<std::string> SplitOnCommas(const std::string& text) {
    std::vector<std::string> fields(1);
    for (char c : text) {
        if (c == ',') fields.emplace_back();
        else fields.back() += c;
    }
    return fields;
}

std::optional<int> WholeNumber(const std::string& field) {
    int value = 0;
    const char* end = field.data() + field.size();
    auto [ptr, ec] = std::from_chars(field.data(), end, value);
    if (ec != std::errc() || ptr != end || field.empty()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<LineSettings> ParseLineSettings(const std::string& text) {
    const auto fields = SplitOnCommas(text);
    if (fields.size() != 4) return std::nullopt;

    LineSettings s;
    const auto baud = WholeNumber(fields[0]);
    const auto data = WholeNumber(fields[2]);
    const auto stop = WholeNumber(fields[3]);
    if (!baud || !data || !stop) return std::nullopt;
    if (*baud < 110 || *baud > 115200) return std::nullopt;
    if (*data < 5 || *data > 8) return std::nullopt;
    if (*stop != 1 && *stop != 2) return std::nullopt;
    if (fields[1].size() != 1) return std::nullopt;
    switch (fields[1][0]) {
        case 'n': case 'N': s.parity = Parity::None; break;
        case 'o': case 'O': s.parity = Parity::Odd; break;
        case 'e': case 'E': s.parity = Parity::Even; break;
        default: return std::nullopt;
    }
    s.baud = *baud;
    s.dataBits = *data;
    s.stopBits = *stop;
    return s;
}

}  // namespace vantrel
