#pragma once
// The built-in table of tav types, used when the registry holds no usable table.

#include <vector>

#include "registry/RegisterTav.h"

namespace vantrel {

// Rows 0 to 34 of the default table.
std::vector<TypeRow> DefaultTypeRows();

}  // namespace vantrel
