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

// A rectangle written left, top, width, height in twips.
struct TwipsRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

inline QRect toPixels(const TwipsRect& r) {
    return QRect(twipsToPixels(r.left), twipsToPixels(r.top), twipsToPixels(r.width),
                 twipsToPixels(r.height));
}

} // namespace platform
