#pragma once
// Finding a tav's type by the reply code it answers the probe with.

#include <cstdint>
#include <span>

#include "registry/RegisterTav.h"

namespace vantrel {

// The first row of the table with this reply code, or none. Code 0 is never a tav type:
// it is what an edited table's row without its Reply reads as, and what the search holds
// for "no tav"; a reply of 0 must not match such a row and count as a tav.
const TypeRow* TypeOfReply(std::span<const TypeRow> table, std::uint8_t reply);

}  // namespace vantrel
