#pragma once
// Reading the number a text starts with, the way the program's text-to-number conversion
// does it: "2.5 beta" reads 2.5, "beta" and "" read 0.

#include <string_view>

namespace vantrel {

// Leading blanks and tabs are skipped; then an optional sign, decimal digits with at most
// one decimal point, and an optional exponent ("E" or "e", optional sign, digits) are
// read. Anything else ends the number; no number at all reads 0.
double LeadingNumber(std::string_view text);

}  // namespace vantrel
