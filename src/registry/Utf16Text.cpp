#include "registry/Utf16Text.h"

#include <cstdint>

#include "registry/DisplayText.h"

namespace vantrel {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUnit(std::string& out, char32_t unit) {
    out += static_cast<char>(unit & 0xFF);
    out += static_cast<char>((unit >> 8) & 0xFF);
}

}  // namespace

std::string Utf16LeToUtf8(std::string_view bytes) {
    std::string text;
    text.reserve(bytes.size() / 2);
    const auto unitAt = [&bytes](std::size_t i) -> char32_t {
        return static_cast<std::uint8_t>(bytes[i]) | static_cast<char32_t>(static_cast<std::uint8_t>(bytes[i + 1])) << 8;
    };
    std::size_t i = 0;
    while (i + 1 < bytes.size()) {
        const char32_t unit = unitAt(i);
        i += 2;
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < bytes.size()) {
            const char32_t low = unitAt(i);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                i += 2;
                AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                continue;
            }
        }
        AppendUtf8(text, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
    }
    if (i < bytes.size()) AppendUtf8(text, kReplacement);
    return text;
}

std::string Utf8ToUtf16Le(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    while (!text.empty()) {
        Utf8Char c = DecodeUtf8(text);
        if (c.length == 0) c = {static_cast<std::uint8_t>(text.front()), 1};
        text.remove_prefix(c.length);
        if (c.code < 0x10000) {
            AppendUnit(out, c.code);
        } else {
            AppendUnit(out, 0xD800 + ((c.code - 0x10000) >> 10));
            AppendUnit(out, 0xDC00 + ((c.code - 0x10000) & 0x3FF));
        }
    }
    return out;
}

}  // namespace vantrel
