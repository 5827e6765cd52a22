#pragma once
// The window's twips scale (app/TwipsScale.h) in Qt's rectangles.

#include <QRect>

#include "app/TwipsScale.h"

namespace vantrel {

inline QRect ToQRect(const PixelRect& r) { return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1)); }

}  // namespace vantrel
