#pragma once
// The progress shown while records go out.

#include <string>

namespace vantrel {

// done / total as a percentage with one decimal and at least two integer digits, then "%":
// 1 of 20 is "05.0%", 2 of 3 "66.7%", 3 of 3 "100.0%". Halves round up. total must be > 0.
std::string PercentText(int done, int total);

}  // namespace vantrel
