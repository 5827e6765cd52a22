#pragma once
// The registry operations the type table needs, with the Windows result codes and value
// types, under HKEY_LOCAL_MACHINE. Paths are relative to that root and use '\'.

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

using RegResult = std::int32_t;
inline constexpr RegResult kRegSuccess = 0;
inline constexpr RegResult kRegNotFound = 2;     // ERROR_FILE_NOT_FOUND
inline constexpr RegResult kRegMoreData = 234;   // ERROR_MORE_DATA

using RegType = std::uint32_t;
inline constexpr RegType kRegSz = 1;
inline constexpr RegType kRegDword = 4;

using RegKey = std::uint32_t;  // an open key handle; 0 is never a valid handle

class RegistryStore {
public:
    virtual ~RegistryStore() = default;

    // RegOpenKeyA: open an existing key.
    virtual RegResult OpenKey(const std::string& path, RegKey& key) = 0;
    // RegOpenKeyExA with KEY_ENUMERATE_SUB_KEYS.
    virtual RegResult OpenKeyForEnumeration(const std::string& path, RegKey& key) = 0;
    // RegEnumKeyExA: name of the index-th subkey, into a buffer of nameBufferLength
    // characters. Not kRegSuccess when there is no such subkey.
    virtual RegResult EnumKey(RegKey key, std::uint32_t index, std::string& name,
                              std::uint32_t nameBufferLength) = 0;
    // RegCreateKeyA: create (with its parents) or open a key.
    virtual RegResult CreateKey(const std::string& path, RegKey& key) = 0;
    // RegSetValueExA.
    virtual RegResult SetValue(RegKey key, const std::string& name, RegType type,
                               const std::vector<std::uint8_t>& data) = 0;
    // RegQueryValueExA into a buffer of bufferLength bytes. On kRegSuccess, data holds
    // the value and length its size; on kRegMoreData, data holds what fits (it may be
    // truncated) and length the value's full size.
    virtual RegResult QueryValue(RegKey key, const std::string& name, RegType& type,
                                 std::vector<std::uint8_t>& data, std::uint32_t bufferLength,
                                 std::uint32_t& length) = 0;
    // RegCloseKey.
    virtual RegResult CloseKey(RegKey key) = 0;
};

}  // namespace vantrel
