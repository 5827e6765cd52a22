// The .reg text form of a key tree: a header line ("REGEDIT4", or "Windows Registry Editor
// Version 5.00" as regedit exports today), then one [key path] section per key with its
// values as "name"="text", "name"=dword:0000abcd, "name"=hex:01,02 or "name"=hex(t):...,
// "@" standing for the default value. Strings escape \ and " with a backslash. The file
// may start with a UTF-8 or a UTF-16LE byte order mark.
//
// Reading is as forgiving as regedit's: a line that cannot be read is left out and the
// rest of the file still counts. Values under a key line that could not be read are left
// out too, rather than given to the key before it. Only a file without a known header is
// not a .reg file at all.
// Hex data are kept as the bytes they list, in every format, so what the program never
// reads itself goes back into the file unchanged.

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <iterator>

#include "registry/DisplayText.h"
#include "registry/RegHive.h"
#include "registry/Utf16Text.h"

namespace vantrel {
namespace {

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";

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

// A REG_SZ goes out as a quoted string when it reads back the same (a trailing NUL aside):
// not empty (a quoted "" reads back as one NUL, a text of length 1), no line end or NUL
// inside, and in a UTF-16 file only what UTF-16 can carry back.
bool FitsQuoted(const std::vector<std::uint8_t>& data, bool utf8Only) {
    if (data.empty()) return false;
    std::size_t size = data.size();
    if (size > 0 && data[size - 1] == 0) --size;
    for (std::size_t i = 0; i < size; ++i)
        if (data[i] == 0 || data[i] == '\r' || data[i] == '\n') return false;
    return !utf8Only || IsValidUtf8(std::string_view(reinterpret_cast<const char*>(data.data()), size));
}

void AppendValue(std::string& out, const RegValue& value, bool utf8Only) {
    if (value.name.empty())
        out += '@';
    else
        AppendQuoted(out, value.name);
    out += '=';
    const auto& data = value.data;
    if (value.type == kRegSz && FitsQuoted(data, utf8Only)) {
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

// A "[key path]" or "[-key path]" line: the key values go to from here on (none for a key
// being removed, nor after a line that cannot be read).
bool ReadKeyLine(std::string_view line, RegHive& hive, std::optional<RegKeyPath>& section, bool& removing) {
    section.reset();
    removing = false;
    if (line.back() != ']') return false;
    std::string_view pathText = line.substr(1, line.size() - 2);
    const bool remove = !pathText.empty() && pathText.front() == '-';
    if (remove) pathText.remove_prefix(1);
    auto path = SplitKeyPath(pathText);
    if (!path || path->empty()) return false;
    if (remove) {
        hive.Erase(*path);
        removing = true;
    } else {
        hive.Create(*path);
        section = std::move(path);
    }
    return true;
}

// A "name"=data or @=data line, with the lines its hex data go on over.
bool ReadValueLine(std::string_view line, Lines& lines, RegHive& hive, const std::optional<RegKeyPath>& section,
                   bool removing) {
    if (line.find('\0') != std::string_view::npos) return false;
    std::string name;
    if (line.front() == '@') {
        line.remove_prefix(1);
    } else {
        auto quoted = TakeQuoted(line);
        if (!quoted) return false;
        name = std::move(*quoted);
    }
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '=') return false;
    auto data = ParseValueData(line.substr(1), lines);
    if (!data) return false;
    if (removing) return true;  // values of a key being removed go nowhere
    if (!section) return false;  // no key to hold it
    RegHiveKey& key = *hive.Find(*section);
    if (data->remove)
        key.values.erase(LowerAscii(name));
    else
        RegHive::SetValue(key, name, data->type, std::move(data->data));
    return true;
}

// Whether the key right after this one in the hive's order lies below it.
bool HasSubkeys(const RegHive& hive, std::map<RegKeyPath, RegHiveKey>::const_iterator key) {
    const auto next = std::next(key);
    return next != hive.Keys().end() && next->first.size() > key->first.size() &&
           std::equal(key->first.begin(), key->first.end(), next->first.begin());
}

}  // namespace

std::optional<RegFile> ParseRegFile(std::string_view bytes) {
    RegFile file;
    std::string decoded;
    std::string_view text = bytes;
    if (bytes.starts_with(kUtf16LeBom)) {
        decoded = Utf16LeToUtf8(bytes.substr(kUtf16LeBom.size()));
        text = decoded;
        file.format.encoding = RegFileEncoding::Utf16LeWithBom;
    } else if (bytes.starts_with(kUtf8Bom)) {
        text.remove_prefix(kUtf8Bom.size());
        file.format.encoding = RegFileEncoding::Utf8WithBom;
    }
    Lines lines{text};
    const auto header = lines.Next();
    if (!header) return std::nullopt;
    if (TrimBlanks(*header) == kHeader5)
        file.format.version5 = true;
    else if (TrimBlanks(*header) != kHeader4)
        return std::nullopt;

    std::optional<RegKeyPath> section;
    bool removing = false;
    while (const auto next = lines.Next()) {
        const std::string_view line = TrimBlanks(*next);
        if (line.empty() || line.front() == ';') continue;
        const bool read = line.front() == '[' ? ReadKeyLine(line, file.hive, section, removing)
                                              : ReadValueLine(line, lines, file.hive, section, removing);
        if (!read) ++file.skippedLines;
    }
    return file;
}

std::string FormatRegFile(const RegHive& hive, RegFileFormat format) {
    const bool utf16 = format.encoding == RegFileEncoding::Utf16LeWithBom;
    std::string out(format.version5 ? kHeader5 : kHeader4);
    out += "\r\n\r\n";
    for (auto it = hive.Keys().begin(); it != hive.Keys().end(); ++it) {
        const RegHiveKey& key = it->second;
        // A key only implied by its subkeys comes back with them.
        if (key.path.empty() || (!key.listed && key.values.empty() && HasSubkeys(hive, it))) continue;
        out += '[';
        for (std::size_t i = 0; i < key.path.size(); ++i) {
            if (i > 0) out += '\\';
            out += key.path[i];
        }
        out += "]\r\n";
        for (const auto& [lowerName, value] : key.values) AppendValue(out, value, utf16);
        out += "\r\n";
    }
    if (utf16) return std::string(kUtf16LeBom) + Utf8ToUtf16Le(out);
    if (format.encoding == RegFileEncoding::Utf8WithBom) return std::string(kUtf8Bom) + out;
    return out;
}

}  // namespace vantrel
