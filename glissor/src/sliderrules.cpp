#include "sliderrules.h"

#include <cmath>
#include <limits>

#include "core/numbertext.h"
#include "core/rounding.h"

namespace glissor {

std::optional<double> scaleFor(int faceWidth, int handleWidth, double max) {
    if (max == 0 || !std::isfinite(max))
        return std::nullopt;
    return (static_cast<double>(faceWidth) - static_cast<double>(handleWidth)) / max;
}

std::optional<short> toCoordinate(double position) {
    if (!std::isfinite(position))
        return std::nullopt;
    const double r = platform::roundHalfEven(position);
    if (r < std::numeric_limits<short>::min() || r > std::numeric_limits<short>::max())
        return std::nullopt;
    return static_cast<short>(r);
}

short toCoordinateSaturated(double position) {
    if (std::isnan(position))
        return 0;
    if (auto c = toCoordinate(position))
        return *c;
    return position < 0 ? std::numeric_limits<short>::min() : std::numeric_limits<short>::max();
}

std::optional<QString> valueAtPointer(double x, double pixelsPerUnit) {
    if (pixelsPerUnit == 0 || !std::isfinite(pixelsPerUnit))
        return std::nullopt;
    const double q = std::floor(x / pixelsPerUnit);
    if (!std::isfinite(q))
        return std::nullopt;
    return platform::numberToText(q);
}

short clampHandle(short handleX, int handleWidth, int faceWidth) {
    if (handleX < 0)
        handleX = 0;
    if (static_cast<float>(handleX + handleWidth) > static_cast<float>(faceWidth))
        handleX = toCoordinateSaturated(static_cast<double>(faceWidth) - handleWidth);
    return handleX;
}

} // namespace glissor
