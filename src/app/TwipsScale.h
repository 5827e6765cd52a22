#pragma once
// Twips (1/1440 inch) to pixels at the screen's logical resolution: 15 twips a pixel at
// 96 dpi. Shared by the windows of every toolkit.

#include <cmath>

namespace vantrel {

// Pixel edges; right and bottom lie just outside the rectangle.
struct PixelRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PixelRect&) const = default;
};

class TwipsScale {
public:
    explicit TwipsScale(double logicalDpi) : pixelsPerTwip_(logicalDpi / 1440.0) {}

    int operator()(int twips) const { return static_cast<int>(std::lround(twips * pixelsPerTwip_)); }
    // Edges are scaled, not sizes, so that neighbours that touch in twips touch in pixels.
    PixelRect Rect(int left, int top, int width, int height) const {
        return {(*this)(left), (*this)(top), (*this)(left + width), (*this)(top + height)};
    }

private:
    double pixelsPerTwip_;
};

}  // namespace vantrel
