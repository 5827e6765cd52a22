// The REGEDIT4 text form of a key tree: a "REGEDIT4" line, then one [key path] section
// per key with its values as "name"="text", "name"=dword:0000abcd, "name"=hex:01,02 or
// "name"=hex(t):..., "@" standing for the default value. Strings escape \ and " with a
// backslash. Parsing is strict: a file that is not well formed is not used at all.

#include <charconv>
#include <cstdio>

#include "registry/RegHive.h"

namespace vantrel {
namespace {

constexpr std::string_view kHeader = "REGEDIT4";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// 1 to maxDigits hexadecimal digits, nothing else.
std::optional<std::uint32_t> ParseHexNumber(std::string_view text, std::size_t maxDigits) {
    if (text.empty() || text.size() > maxDigits) return std::nullopt;
    std::uint32_t number = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number, 16);
    if (error != std::errc() || stop != end) return std::nullopt;
    return number;
}

// A quoted string at the start of text; text is left just after the closing quote.
std::optional<std::string> TakeQuoted(std::string_view& text) {
    if (text.empty() || text.front() != '"') return std::nullopt;
    std::string result;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            text.remove_prefix(i + 1);
            return result;
        }
        if (c == '\\') {
            if (i + 1 >= text.size() || (text[i + 1] != '\\' && text[i + 1] != '"')) return std::nullopt;
            result += text[++i];
        } else {
            result += c;
        }
    }
    return std::nullopt;  // no closing quote on the line
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text) {
    std::vector<std::uint8_t> bytes;
    text = TrimBlanks(text);
    if (text.empty()) return bytes;
    while (true) {
        const std::size_t comma = text.find(',');
        const auto byte = ParseHexNumber(TrimBlanks(text.substr(0, comma)), 2);
        if (!byte) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(*byte));
        if (comma == std::string_view::npos) return bytes;
        text.remove_prefix(comma + 1);
    }
}

struct Lines {
    std::string_view text;
    // The next line without its LF and one trailing CR; empty when none is left.
    std::optional<std::string_view> Next() {
        if (text.empty()) return std::nullopt;
        const std::size_t lf = text.find('\n');
        std::string_view line = text.substr(0, lf);
        text.remove_prefix(lf == std::string_view::npos ? text.size() : lf + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        return line;
    }
};

struct ParsedData {
    bool remove = false;
    RegType type = 0;
    std::vector<std::uint8_t> data;
};

// The part after '=' of a value line; hex lists may go on over lines ending in '\'.
std::optional<ParsedData> ParseValueData(std::string_view text, Lines& lines) {
    text = TrimBlanks(text);
    ParsedData parsed;
    if (text == "-") {
        parsed.remove = true;
        return parsed;
    }
    if (!text.empty() && text.front() == '"') {
        auto quoted = TakeQuoted(text);
        if (!quoted || !TrimBlanks(text).empty()) return std::nullopt;
        // Stored with its terminating NUL, as regedit imports it.
        parsed.type = kRegSz;
        parsed.data.assign(quoted->begin(), quoted->end());
        parsed.data.push_back(0);
        return parsed;
    }
    if (text.substr(0, 6) == "dword:") {
        const auto number = ParseHexNumber(text.substr(6), 8);
        if (!number) return std::nullopt;
        parsed.type = kRegDword;
        parsed.data = {static_cast<std::uint8_t>(*number), static_cast<std::uint8_t>(*number >> 8),
                       static_cast<std::uint8_t>(*number >> 16), static_cast<std::uint8_t>(*number >> 24)};
        return parsed;
    }
    std::string_view list;
    if (text.substr(0, 4) == "hex:") {
        parsed.type = kRegBinary;
        list = text.substr(4);
    } else if (text.substr(0, 4) == "hex(") {
        const std::size_t close = text.find("):");
        const auto type = close == std::string_view::npos ? std::nullopt : ParseHexNumber(text.substr(4, close - 4), 8);
        if (!type) return std::nullopt;
        parsed.type = *type;
        list = text.substr(close + 2);
    } else {
        return std::nullopt;
    }
    std::string joined;
    while (true) {
        list = TrimBlanks(list);
        if (list.empty() || list.back() != '\\') {
            joined += list;
            break;
        }
        list.remove_suffix(1);
        joined += list;
        const auto next = lines.Next();
        if (!next) return std::nullopt;
        list = *next;
    }
    auto bytes = ParseHexBytes(joined);
    if (!bytes) return std::nullopt;
    parsed.data = std::move(*bytes);
    return parsed;
}

void AppendQuoted(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        if (c == '\\' || c == '"') out += '\\';
        out += c;
    }
    out += '"';
}

void AppendHex(std::string& out, RegType type, const std::vector<std::uint8_t>& data) {
    char prefix[24];
    if (type == kRegBinary)
        std::snprintf(prefix, sizeof prefix, "hex:");
    else
        std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(type));
    out += prefix;
    // Lines stay within 80 columns, as regedit keeps them: "xx," per byte, '\' to go on.
    std::size_t column = out.size() - (out.rfind('\n') + 1);
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (i > 0) {
            out += ',';
            ++column;
            if (column + 3 > 79) {
                out += "\\\r\n  ";
                column = 2;
            }
        }
        char byte[3];
        std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned>(data[i]));
        out += byte;
        column += 2;
    }
}

// A REG_SZ goes out as a quoted string when it reads back the same (a trailing NUL aside).
bool FitsQuoted(const std::vector<std::uint8_t>& data) {
    std::size_t size = data.size();
    if (size > 0 && data[size - 1] == 0) --size;
    for (std::size_t i = 0; i < size; ++i)
        if (data[i] == 0 || data[i] == '\r' || data[i] == '\n') return false;
    return true;
}

void AppendValue(std::string& out, const RegValue& value) {
    if (value.name.empty())
        out += '@';
    else
        AppendQuoted(out, value.name);
    out += '=';
    const auto& data = value.data;
    if (value.type == kRegSz && FitsQuoted(data)) {
        const std::size_t size = !data.empty() && data.back() == 0 ? data.size() - 1 : data.size();
        AppendQuoted(out, std::string_view(reinterpret_cast<const char*>(data.data()), size));
    } else if (value.type == kRegDword && data.size() == 4) {
        char number[16];
        std::snprintf(number, sizeof number, "dword:%08x",
                      static_cast<unsigned>(data[0] | data[1] << 8 | data[2] << 16 | static_cast<unsigned>(data[3]) << 24));
        out += number;
    } else {
        AppendHex(out, value.type, data);
    }
    out += "\r\n";
}

}  // namespace

std::optional<RegHive> ParseRegEdit4(std::string_view text) {
    if (text.find('\0') != std::string_view::npos) return std::nullopt;  // a binary file
    Lines lines{text};
    const auto header = lines.Next();
    if (!header || TrimBlanks(*header) != kHeader) return std::nullopt;

    RegHive hive;
    std::optional<RegKeyPath> section;  // empty inside a [-key] section
    bool inSection = false;
    while (const auto next = lines.Next()) {
        std::string_view line = TrimBlanks(*next);
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[') {
            if (line.back() != ']') return std::nullopt;
            std::string_view pathText = line.substr(1, line.size() - 2);
            const bool remove = !pathText.empty() && pathText.front() == '-';
            if (remove) pathText.remove_prefix(1);
            auto path = SplitKeyPath(pathText);
            if (!path || path->empty()) return std::nullopt;
            inSection = true;
            if (remove) {
                hive.Erase(*path);
                section.reset();
            } else {
                hive.Create(*path);
                section = std::move(path);
            }
            continue;
        }
        if (!inSection) return std::nullopt;
        std::string name;
        if (line.front() == '@') {
            line.remove_prefix(1);
        } else {
            auto quoted = TakeQuoted(line);
            if (!quoted) return std::nullopt;
            name = std::move(*quoted);
        }
        line = TrimBlanks(line);
        if (line.empty() || line.front() != '=') return std::nullopt;
        auto data = ParseValueData(line.substr(1), lines);
        if (!data) return std::nullopt;
        if (!section) continue;  // values of a removed key
        RegHiveKey& key = *hive.Find(*section);
        if (data->remove)
            key.values.erase(LowerAscii(name));
        else
            RegHive::SetValue(key, name, data->type, std::move(data->data));
    }
    return hive;
}

std::string FormatRegEdit4(const RegHive& hive) {
    std::string out(kHeader);
    out += "\r\n\r\n";
    for (const auto& [lower, key] : hive.Keys()) {
        if (key.path.empty() || (!key.listed && key.values.empty())) continue;
        out += '[';
        for (std::size_t i = 0; i < key.path.size(); ++i) {
            if (i > 0) out += '\\';
            out += key.path[i];
        }
        out += "]\r\n";
        for (const auto& [lowerName, value] : key.values) AppendValue(out, value);
        out += "\r\n";
    }
    return out;
}

}  // namespace vantrel
