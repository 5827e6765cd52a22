#pragma once
// The completion exchange after the last record: the tav leaves its loader and restarts,
// and the user is told the outcome.

namespace vantrel {

class Bootstrap;

inline constexpr int kCompletionAttempts = 4;

// Sends 21 / 234 up to four times until the tav answers 15; shows "Tav reprogram suceeded"
// or "Failed to restart unit". A port error during an attempt counts as no reply.
bool EndProgramming(Bootstrap& w);

}  // namespace vantrel
