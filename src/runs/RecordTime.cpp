#include "runs/RecordTime.h"

namespace vantrel::runs {
namespace {

// count decimal digits at text[at...]; false when they are not there.
bool Digits(std::string_view text, std::size_t at, std::size_t count, int& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (char c : text.substr(at, count)) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

bool CharAt(std::string_view text, std::size_t at, char c) { return at < text.size() && text[at] == c; }

}  // namespace

std::optional<RecordTime> ParseRecordTime(std::string_view text) {
    using namespace std::chrono;
    int y = 0, mo = 0, d = 0;
    if (!Digits(text, 0, 4, y) || !CharAt(text, 4, '-') || !Digits(text, 5, 2, mo) || !CharAt(text, 7, '-') ||
        !Digits(text, 8, 2, d))
        return std::nullopt;
    const year_month_day date{year{y}, month{static_cast<unsigned>(mo)}, day{static_cast<unsigned>(d)}};
    if (!date.ok()) return std::nullopt;
    RecordTime at{sys_days{date}};
    if (text.size() == 10) return at;

    int h = 0, mi = 0, s = 0;
    if (!CharAt(text, 10, 'T') || !Digits(text, 11, 2, h) || !CharAt(text, 13, ':') || !Digits(text, 14, 2, mi) ||
        !CharAt(text, 16, ':') || !Digits(text, 17, 2, s) || h > 23 || mi > 59 || s > 59)
        return std::nullopt;
    at += hours{h} + minutes{mi} + seconds{s};
    std::size_t next = 19;
    if (CharAt(text, next, '.')) {
        // To the millisecond: further digits are allowed and dropped.
        std::size_t digits = 0;
        int ms = 0;
        for (int digit = 0; digits < 9 && Digits(text, next + 1 + digits, 1, digit); ++digits)
            if (digits < 3) ms = ms * 10 + digit;
        if (digits == 0) return std::nullopt;
        for (std::size_t k = digits; k < 3; ++k) ms *= 10;
        at += milliseconds{ms};
        next += 1 + digits;
    }
    if (!CharAt(text, next, 'Z') || next + 1 != text.size()) return std::nullopt;
    return at;
}

}  // namespace vantrel::runs
