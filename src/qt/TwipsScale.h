#pragma once
// Twips (1/1440 inch) to pixels at the screen's logical resolution: 15 twips a pixel at 96 dpi.

#include <QRect>
#include <cmath>

namespace vantrel {

class TwipsScale {
public:
    explicit TwipsScale(double logicalDpi) : pixelsPerTwip_(logicalDpi / 1440.0) {}

    int operator()(int twips) const { return static_cast<int>(std::lround(twips * pixelsPerTwip_)); }
    // Edges are scaled, not sizes, so that neighbours that touch in twips touch in pixels.
    QRect Rect(int left, int top, int width, int height) const {
        return QRect(QPoint((*this)(left), (*this)(top)),
                     QPoint((*this)(left + width) - 1, (*this)(top + height) - 1));
    }

private:
    double pixelsPerTwip_;
};

}  // namespace vantrel
