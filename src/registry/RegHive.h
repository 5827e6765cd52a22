#pragma once
// An in-memory tree of registry keys and values, and its .reg text form (what regedit
// exports). Key and value names compare case-insensitively, as in Windows; texts are
// single-byte and kept byte for byte.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "registry/RegistryStore.h"

namespace vantrel {

using RegKeyPath = std::vector<std::string>;  // components, e.g. {"HKEY_LOCAL_MACHINE", "Software"}

struct RegValue {
    std::string name;  // as first written; "" is the key's default value
    RegType type = 0;
    std::vector<std::uint8_t> data;
};

struct RegHiveKey {
    RegKeyPath path;      // each component as its own key was first written
    bool listed = false;  // created or listed itself, not only implied by a subkey
    std::map<std::string, RegValue> values;  // by lower-case name
};

class RegHive {
public:
    const RegHiveKey* Find(const RegKeyPath& path) const;
    RegHiveKey* Find(const RegKeyPath& path);
    // Creates the key and its missing parents, or returns the existing one.
    RegHiveKey& Create(const RegKeyPath& path);
    // Removes the key and everything below it.
    void Erase(const RegKeyPath& path);
    // Names of the direct subkeys, in case-insensitive order.
    std::vector<std::string> SubkeyNames(const RegKeyPath& path) const;

    static void SetValue(RegHiveKey& key, const std::string& name, RegType type, std::vector<std::uint8_t> data);
    static const RegValue* FindValue(const RegHiveKey& key, const std::string& name);

    // Depth-first, parents before their subkeys.
    const std::map<RegKeyPath, RegHiveKey>& Keys() const { return keys_; }

private:
    std::map<RegKeyPath, RegHiveKey> keys_;  // by lower-case path
};

std::string LowerAscii(std::string_view text);
// "A\B\C" into its components; empty when a component is empty or holds a NUL, CR or LF.
std::optional<RegKeyPath> SplitKeyPath(std::string_view path);

// How a .reg file is written: its header line and its encoding. Byte files hold texts as
// they are; a UTF-16LE file holds them as UTF-8 once read.
enum class RegFileEncoding { Bytes, Utf8WithBom, Utf16LeWithBom };
struct RegFileFormat {
    bool version5 = false;  // "Windows Registry Editor Version 5.00" rather than "REGEDIT4"
    RegFileEncoding encoding = RegFileEncoding::Bytes;
    bool operator==(const RegFileFormat&) const = default;
};

struct RegFile {
    RegHive hive;
    RegFileFormat format;
    std::size_t skippedLines = 0;  // lines that could not be read, left out as regedit leaves them
};

// Empty when the bytes are not a .reg file at all: no known header on the first line.
std::optional<RegFile> ParseRegFile(std::string_view bytes);
// CRLF line ends, as regedit writes them.
std::string FormatRegFile(const RegHive& hive, RegFileFormat format = {});

}  // namespace vantrel
