// PLACEHOLDER: replaced by the type table.
#include "registry/RegisterTav.h"
namespace vantrel {
void RegisterTav::CheckTypeRegistry() {}
void RegisterTav::WriteDefaultTypes() {}
void RegisterTav::BuildDefaultTypes() {}
void RegisterTav::LoadTypes() {}
void RegisterTav::ReadTypeKey(const std::string&) {}
}  // namespace vantrel
