#include "win32ui/OpenFileFilter.h"

#include <vector>

namespace vantrel {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (const char c : text) {
        if (c == separator)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// "*.phx; *.hex " becomes "*.phx;*.hex".
std::string Patterns(const std::string& field) {
    std::string patterns;
    for (const std::string& p : Split(field, ';')) {
        const std::string one = Trimmed(p);
        if (one.empty()) continue;
        if (!patterns.empty()) patterns += ';';
        patterns += one;
    }
    return patterns.empty() ? "*.*" : patterns;
}

}  // namespace

std::string ToOpenFileFilter(const std::string& filter) {
    const std::vector<std::string> fields = Split(filter, '|');
    std::string result;
    for (std::size_t i = 0; i < fields.size(); i += 2) {
        const std::string patternField = i + 1 < fields.size() ? fields[i + 1] : std::string();
        if (Trimmed(fields[i]).empty() && Trimmed(patternField).empty()) continue;
        const std::string patterns = Patterns(patternField);
        const std::string description = Trimmed(fields[i]);
        result += description.empty() ? patterns : description;
        result += '\0';
        result += patterns;
        result += '\0';
    }
    if (result.empty()) result = std::string("*.*\0*.*\0", 8);
    result += '\0';
    return result;
}

}  // namespace vantrel
