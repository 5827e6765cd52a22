#pragma once
// The completion exchange after the last record: the tav leaves its loader and restarts.

#include "serial/Exchange.h"

namespace vantrel {

class Link;

inline constexpr int kCompletionAttempts = 4;

// Sends 21 / 234 up to four times until the tav answers 15. A port error during an attempt
// counts as no reply.
ExchangeResult EndProgramming(Link& link);

}  // namespace vantrel
