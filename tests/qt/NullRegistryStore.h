#pragma once
// A registry that holds nothing and takes nothing: the type table falls back to its
// built-in rows, and no test writes a file.

#include "registry/RegistryStore.h"

namespace vantrel::test {

class NullRegistryStore : public RegistryStore {
public:
    static constexpr RegResult kAccessDenied = 5;

    RegResult OpenKey(const std::string&, RegKey&) override { return kRegNotFound; }
    RegResult OpenKeyForEnumeration(const std::string&, RegKey&) override { return kRegNotFound; }
    RegResult EnumKey(RegKey, std::uint32_t, std::string&, std::uint32_t) override { return kRegNotFound; }
    RegResult CreateKey(const std::string&, RegKey&) override { return kAccessDenied; }
    RegResult SetValue(RegKey, const std::string&, RegType, const std::vector<std::uint8_t>&) override {
        return kAccessDenied;
    }
    RegResult QueryValue(RegKey, const std::string&, RegType&, std::vector<std::uint8_t>&, std::uint32_t,
                         std::uint32_t&) override {
        return kRegNotFound;
    }
    RegResult CloseKey(RegKey) override { return kRegSuccess; }
};

}  // namespace vantrel::test
