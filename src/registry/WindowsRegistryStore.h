#pragma once
// The registry store over the Windows registry itself (advapi32), below HKEY_LOCAL_MACHINE
// or below another open key standing in for it (tests keep a scratch key of their own).

#ifdef _WIN32

#include <map>

#include "registry/RegistryStore.h"

namespace vantrel {

class WindowsRegistryStore : public RegistryStore {
public:
    WindowsRegistryStore() = default;
    // root: an open HKEY that paths are relative to, kept open by the caller.
    explicit WindowsRegistryStore(void* root) : root_(root) {}
    ~WindowsRegistryStore() override;
    WindowsRegistryStore(const WindowsRegistryStore&) = delete;
    WindowsRegistryStore& operator=(const WindowsRegistryStore&) = delete;

    RegResult OpenKey(const std::string& path, RegKey& key) override;
    RegResult OpenKeyForEnumeration(const std::string& path, RegKey& key) override;
    RegResult EnumKey(RegKey key, std::uint32_t index, std::string& name, std::uint32_t nameBufferLength) override;
    RegResult CreateKey(const std::string& path, RegKey& key) override;
    RegResult SetValue(RegKey key, const std::string& name, RegType type,
                       const std::vector<std::uint8_t>& data) override;
    RegResult QueryValue(RegKey key, const std::string& name, RegType& type, std::vector<std::uint8_t>& data,
                         std::uint32_t bufferLength, std::uint32_t& length) override;
    RegResult CloseKey(RegKey key) override;

private:
    RegKey Keep(void* hkey);
    void* Find(RegKey key) const;

    void* root_ = nullptr;          // HKEY_LOCAL_MACHINE when null
    std::map<RegKey, void*> keys_;  // our handles to HKEYs
    RegKey next_ = 1;
};

}  // namespace vantrel

#endif
