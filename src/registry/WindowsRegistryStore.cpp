// advapi32 calls behind the registry store on Windows.

#ifdef _WIN32

#include "registry/WindowsRegistryStore.h"

#include <windows.h>

#include <algorithm>

namespace vantrel {
namespace {

HKEY Root(void* root) { return root == nullptr ? HKEY_LOCAL_MACHINE : static_cast<HKEY>(root); }

// The whole value: its size first, then all of it. A value that grows between the two
// calls is asked for again; Windows leaves the buffer undefined after ERROR_MORE_DATA,
// so nothing is ever taken from a buffer that was too small.
LONG QueryWholeValue(HKEY hkey, const std::string& name, DWORD& type, std::vector<std::uint8_t>& data) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD size = 0;
        LONG result = RegQueryValueExA(hkey, name.c_str(), nullptr, &type, nullptr, &size);
        if (result != ERROR_SUCCESS) return result;
        data.assign(std::max<DWORD>(size, 1), 0);
        size = static_cast<DWORD>(data.size());
        result = RegQueryValueExA(hkey, name.c_str(), nullptr, &type, data.data(), &size);
        if (result == ERROR_SUCCESS) data.resize(size);
        if (result != ERROR_MORE_DATA) return result;
    }
    return ERROR_MORE_DATA;
}

}  // namespace

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
    const LONG result = RegOpenKeyA(Root(root_), path.c_str(), &hkey);
    if (result == ERROR_SUCCESS) key = Keep(hkey);
    return result;
}

RegResult WindowsRegistryStore::OpenKeyForEnumeration(const std::string& path, RegKey& key) {
    HKEY hkey = nullptr;
    const LONG result = RegOpenKeyExA(Root(root_), path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS, &hkey);
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
    const LONG result = RegCreateKeyA(Root(root_), path.c_str(), &hkey);
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
    DWORD valueType = 0;
    std::vector<std::uint8_t> whole;
    const LONG result = QueryWholeValue(static_cast<HKEY>(hkey), name, valueType, whole);
    if (result != ERROR_SUCCESS) return result;
    // Then as a call with a buffer of bufferLength bytes reports it: cut to what fits,
    // with the full size and ERROR_MORE_DATA when it did not.
    type = valueType;
    length = static_cast<std::uint32_t>(whole.size());
    if (whole.size() > bufferLength) whole.resize(bufferLength);
    data = std::move(whole);
    return data.size() < length ? kRegMoreData : kRegSuccess;
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
