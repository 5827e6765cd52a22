// advapi32 calls behind the registry store on Windows.

#ifdef _WIN32

#include "registry/WindowsRegistryStore.h"

#include <windows.h>

namespace vantrel {

WindowsRegistryStore::~WindowsRegistryStore() {
    for (const auto& [key, hkey] : keys_) RegCloseKey(static_cast<HKEY>(hkey));
}

RegKey WindowsRegistryStore::Keep(void* hkey) {
    while (next_ == 0 || keys_.count(next_) != 0) ++next_;
    keys_[next_] = hkey;
    return next_++;
}

void* WindowsRegistryStore::Find(RegKey key) const {
    const auto found = keys_.find(key);
    return found == keys_.end() ? nullptr : found->second;
}

RegResult WindowsRegistryStore::OpenKey(const std::string& path, RegKey& key) {
    HKEY hkey = nullptr;
    const LONG result = RegOpenKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &hkey);
    if (result == ERROR_SUCCESS) key = Keep(hkey);
    return result;
}

RegResult WindowsRegistryStore::OpenKeyForEnumeration(const std::string& path, RegKey& key) {
    HKEY hkey = nullptr;
    const LONG result = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &hkey);
    if (result == ERROR_SUCCESS) key = Keep(hkey);
    return result;
}

RegResult WindowsRegistryStore::EnumKey(RegKey key, std::uint32_t index, std::string& name,
                                        std::uint32_t nameBufferLength) {
    void* hkey = Find(key);
    if (hkey == nullptr) return kRegInvalidHandle;
    std::string buffer(nameBufferLength, '\0');
    DWORD length = nameBufferLength;
    FILETIME written{};
    const LONG result = RegEnumKeyExA(static_cast<HKEY>(hkey), index, buffer.data(), &length, nullptr, nullptr,
                                      nullptr, &written);
    if (result == ERROR_SUCCESS) name.assign(buffer.data(), length);
    return result;
}

RegResult WindowsRegistryStore::CreateKey(const std::string& path, RegKey& key) {
    HKEY hkey = nullptr;
    const LONG result = RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &hkey);
    if (result == ERROR_SUCCESS) key = Keep(hkey);
    return result;
}

RegResult WindowsRegistryStore::SetValue(RegKey key, const std::string& name, RegType type,
                                         const std::vector<std::uint8_t>& data) {
    void* hkey = Find(key);
    if (hkey == nullptr) return kRegInvalidHandle;
    return RegSetValueExA(static_cast<HKEY>(hkey), name.c_str(), 0, type, data.data(),
                          static_cast<DWORD>(data.size()));
}

RegResult WindowsRegistryStore::QueryValue(RegKey key, const std::string& name, RegType& type,
                                           std::vector<std::uint8_t>& data, std::uint32_t bufferLength,
                                           std::uint32_t& length) {
    void* hkey = Find(key);
    if (hkey == nullptr) return kRegInvalidHandle;
    data.assign(bufferLength, 0);
    DWORD valueType = 0;
    DWORD size = bufferLength;
    const LONG result =
        RegQueryValueExA(static_cast<HKEY>(hkey), name.c_str(), nullptr, &valueType, data.data(), &size);
    type = valueType;
    length = size;
    if (result == ERROR_SUCCESS) data.resize(size);
    return result;
}

RegResult WindowsRegistryStore::CloseKey(RegKey key) {
    const auto found = keys_.find(key);
    if (found == keys_.end()) return kRegInvalidHandle;
    const LONG result = RegCloseKey(static_cast<HKEY>(found->second));
    keys_.erase(found);
    return result;
}

}  // namespace vantrel

#endif
