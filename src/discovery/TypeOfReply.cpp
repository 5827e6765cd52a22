#include "discovery/TypeOfReply.h"

#include <algorithm>

namespace vantrel {

const TypeRow* TypeOfReply(std::span<const TypeRow> table, std::uint8_t reply) {
    if (reply == 0) return nullptr;
    const auto row = std::ranges::find(table, reply, &TypeRow::Reply);
    return row == table.end() ? nullptr : &*row;
}

}  // namespace vantrel
