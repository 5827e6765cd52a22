#pragma once
// The table of known tav types and its copy in the registry.

#include <cstdint>
#include <string>
#include <vector>

#include "registry/RegistryStore.h"

namespace vantrel {

struct TypeRow {
    std::uint8_t Type = 0;
    std::uint8_t Reply = 0;  // the identification byte a tav of this type answers the probe with
    std::string Name;        // shown for a found tav
    std::string BootName;    // how a firmware file names its target type

    bool operator==(const TypeRow&) const = default;
};

inline constexpr std::int32_t kTypeTableVersion = 19;
inline constexpr const char* kTypesKey = "Software\\Telvar\\Quorvels\\Types";

class RegisterTav {
public:
    explicit RegisterTav(RegistryStore& store) : store_(store) {}

    void CheckTypeRegistry();
    void WriteDefaultTypes();
    void BuildDefaultTypes();
    void LoadTypes();
    void ReadTypeKey(const std::string& name);

    // Row 0 upwards; empty until CheckTypeRegistry has run.
    std::vector<TypeRow> TypeTable;

private:
    RegistryStore& store_;
};

}  // namespace vantrel
