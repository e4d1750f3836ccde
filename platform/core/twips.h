#pragma once

#include <QRect>

#include "core/rounding.h"

// Window geometry is kept in twips (1/1440 inch); at 96 dots per inch 15 twips make one logical pixel.
namespace platform {

inline constexpr int kTwipsPerPixel = 15;

inline int twipsToPixels(double twips) {
    return roundToInt(twips / kTwipsPerPixel);
}
inline double pixelsToTwips(double pixels) {
    return pixels * kTwipsPerPixel;
}

// A window shown larger than designed (a scale of 1.5 for 150 %) multiplies its twips before the one
// rounding, so each place and size is the table's own, only larger, and never drifts by more than the
// rounding.
inline int twipsToPixels(double twips, double scale) {
    return roundToInt(twips * scale / kTwipsPerPixel);
}
inline double pixelsToTwips(double pixels, double scale) {
    return pixels * kTwipsPerPixel / scale;
}

// A rectangle written left, top, width, height in twips.
struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

inline QRect toPixels(const TwipsRect& r, double scale = 1) {
    return QRect(twipsToPixels(r.left, scale), twipsToPixels(r.top, scale), twipsToPixels(r.width, scale),
                 twipsToPixels(r.height, scale));
}

} // namespace platform
