#pragma once
// Texts fitted to their controls by the size of their font. The layout was made for the
// classic 8 pt window font, narrower than most of today's: a text that would be cut off
// at its design size gets the largest size below it at which the whole text shows.

#include <functional>

namespace vantrel {

// The window font's size in the design, in points.
inline constexpr double kDesignFontPoints = 8.0;

// From `design` down by `step` while above `smallest`: the first size at which the text
// `fits`, or the last size tried when none is.
double FittedFontPoints(double design, const std::function<bool(double points)>& fits, double smallest = 6.0,
                        double step = 0.25);

}  // namespace vantrel
