#pragma once
// The registry operations the type table needs, with the Windows result codes and value
// types, under HKEY_LOCAL_MACHINE. Paths are relative to that root and use '\'.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vantrel {

using RegResult = std::int32_t;
inline constexpr RegResult kRegSuccess = 0;
inline constexpr RegResult kRegNotFound = 2;         // ERROR_FILE_NOT_FOUND
inline constexpr RegResult kRegAccessDenied = 5;     // ERROR_ACCESS_DENIED
inline constexpr RegResult kRegInvalidHandle = 6;    // ERROR_INVALID_HANDLE
inline constexpr RegResult kRegWriteFault = 29;      // ERROR_WRITE_FAULT
inline constexpr RegResult kRegInvalidParameter = 87; // ERROR_INVALID_PARAMETER
inline constexpr RegResult kRegMoreData = 234;       // ERROR_MORE_DATA
inline constexpr RegResult kRegNoMoreItems = 259;    // ERROR_NO_MORE_ITEMS
inline constexpr RegResult kRegKeyDeleted = 1018;    // ERROR_KEY_DELETED

using RegType = std::uint32_t;
inline constexpr RegType kRegSz = 1;
inline constexpr RegType kRegExpandSz = 2;
inline constexpr RegType kRegBinary = 3;
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
    // RegCloseKey. A store may write pending changes to disk here and report a failure.
    virtual RegResult CloseKey(RegKey key) = 0;

    // Brackets a run of writes that belong together. A store that can (the file store)
    // keeps them back until the outermost EndWrites and then applies them all at once, so
    // nobody ever reads half of them. Others write as they go.
    virtual void BeginWrites() {}
    virtual RegResult EndWrites() { return kRegSuccess; }
    // Ends the run without writing: what the store kept back is dropped (a store that
    // writes as it goes has nothing left to drop).
    virtual void DiscardWrites() {}
};

// The machine's store: the Windows registry on Windows; elsewhere the .reg file named
// by VANTREL_REGISTRY, or /etc/vantrel/registry.reg.
std::unique_ptr<RegistryStore> OpenDefaultRegistryStore();

}  // namespace vantrel
