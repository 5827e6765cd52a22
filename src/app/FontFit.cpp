#include "app/FontFit.h"

namespace vantrel {

double FittedFontPoints(double design, const std::function<bool(double points)>& fits, double smallest, double step) {
    double points = design;
    while (points > smallest && !fits(points)) points -= step;
    return points;
}

}  // namespace vantrel
