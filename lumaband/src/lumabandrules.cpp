#include "lumaband/lumabandrules.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "component/controlerror.h"
#include "core/colours.h"
#include "core/rounding.h"

namespace lumaband {

using platform::component::ControlError;
using platform::component::ErrorKind;

namespace {

constexpr int kInt16Max = 32767;
// More segments than this in one run means a pitch far finer than any pixel; such a run is treated as a
// broken limit rather than stepping for seconds (or for ever, once the single-precision position stops
// advancing).
constexpr double kMaxSegments = 1 << 22;

// |min| + |max| or |min| + value as the control's 16-bit sums; nothing when it does not fit.
std::optional<int> sum16(int a, int b) {
    const int s = a + b;
    if (s > kInt16Max || s < -kInt16Max - 1)
        return std::nullopt;
    return s;
}

std::optional<int> unitsOf(const BarSettings& s) {
    return sum16(std::abs(int{s.max}), std::abs(int{s.min}));
}

// The first pixel column whose centre lies at or right of `u` units.
int columnAt(double u, double pixelsPerUnit, int width) {
    const double c = std::ceil(u * pixelsPerUnit - 0.5);
    if (c <= 0)
        return 0;
    return c >= width ? width : static_cast<int>(c);
}

void paintColumns(QPainter& p, const QRect& inner, const std::vector<QRgb>& columns, QRgb back) {
    const int n = static_cast<int>(columns.size());
    for (int x = 0; x < n;) {
        int end = x + 1;
        while (end < n && columns[end] == columns[x])
            ++end;
        if (columns[x] != back)
            p.fillRect(QRect(inner.left() + x, inner.top(), end - x, inner.height()),
                       QColor::fromRgb(columns[x]));
        x = end;
    }
}

bool drawPercentText(QPainter& p, const QRect& inner, const BarSettings& s, const Surface& surface,
                     float unitsAcross) {
    std::int16_t pct = 0;
    try {
        pct = percent(s.min, s.max, s.value);
    } catch (const ControlError&) {
        return false;
    }
    const QFontMetricsF fm(surface.font);
    const double width = inner.width();
    const double pixelsPerUnit = unitsAcross > 0 && width > 0 ? width / unitsAcross : 1.0;
    const double digit = fm.horizontalAdvance(QLatin1Char('8')) / pixelsPerUnit;
    // Half a digit left of the middle: of the surface, or of the filled part when the gradient follows it.
    const double middle =
        s.relativeScroll ? (std::abs(int{s.min}) + int{s.value}) / 2.0 : (width / pixelsPerUnit) / 2.0;
    const double left = (middle - digit / 2) * pixelsPerUnit;
    const double top = inner.height() / 2.0 - fm.height() / 2;
    p.setFont(surface.font);
    p.setPen(surface.fore);
    p.drawText(QPointF(inner.left() + left, inner.top() + top + fm.ascent()),
               QString::number(pct) + QLatin1Char('%'));
    return true;
}

} // namespace

const char* checkValue(std::int16_t newValue, const BarSettings& s) {
    if (newValue > s.max)
        return "Value has to be less than Max.";
    if (newValue < s.min)
        return "Value has to be bigger than Min.";
    return nullptr;
}

const char* checkMin(std::int16_t newMin, const BarSettings& s) {
    return newMin >= s.max ? "Min has to be less than Max." : nullptr;
}

const char* checkMax(std::int16_t newMax, const BarSettings& s) {
    return newMax <= s.min ? "Max has to be bigger than Min." : nullptr;
}

const char* checkSegmentSize(float newSize, const BarSettings& s) {
    return newSize < s.segmentWidth ? "Segmentsize has to be more than Segmentwidth!" : nullptr;
}

const char* checkSegmentWidth(float newWidth, const BarSettings& s) {
    return newWidth > s.segmentSize ? "SegmentWidth has to be less than Segmentsize!" : nullptr;
}

std::int16_t percent(std::int16_t min, std::int16_t max, std::int16_t value) {
    const auto a = sum16(std::abs(int{min}), value);
    const auto b = sum16(std::abs(int{max}), std::abs(int{min}));
    if (!a || !b)
        throw ControlError(ErrorKind::Overflow, QStringLiteral("Percent"));
    if (*b == 0)
        throw ControlError(ErrorKind::DivisionByZero, QStringLiteral("Percent"));
    return platform::component::roundToInt16(static_cast<double>(*a) / *b * 100);
}

std::uint32_t resolveColor(std::uint32_t color) {
    if (!platform::isSystemColour(color))
        return color;
    return platform::fromQColor(platform::toQColor(color));
}

int channelOf(float v) {
    const double r = platform::roundHalfEven(static_cast<double>(v));
    if (!(r > 0)) // below 0, or not a number
        return 0;
    return r > 255 ? 255 : static_cast<int>(r);
}

float scaleAfterRun(const BarSettings& s, float unitsAcross) {
    if (s.value == s.min)
        return unitsAcross;
    const auto n = unitsOf(s);
    return n && *n > 0 ? static_cast<float>(*n) : unitsAcross;
}

DrawOutcome drawBar(QPainter& p, const QRect& inner, const BarSettings& s, const Surface& surface,
                    float& unitsAcross) {
    p.fillRect(inner, surface.back);
    if (s.value == s.min) {
        if (s.showPercent)
            drawPercentText(p, inner, s, surface, unitsAcross);
        return DrawOutcome::Background;
    }

    const auto n = unitsOf(s);
    if (!n || *n == 0) // a scale of no units cannot be set
        return DrawOutcome::Stopped;
    unitsAcross = static_cast<float>(*n);

    const std::uint32_t start = resolveColor(s.startColor);
    const std::uint32_t end = resolveColor(s.endColor);
    const auto fill = sum16(std::abs(int{s.min}), s.value);
    if (!fill)
        return DrawOutcome::Stopped;
    const int d = s.relativeScroll ? *fill : *n;
    if (d == 0)
        return DrawOutcome::Stopped;
    float r = static_cast<float>(redOf(start));
    float g = static_cast<float>(greenOf(start));
    float b = static_cast<float>(blueOf(start));
    float dR = static_cast<float>(static_cast<double>(redOf(end) - redOf(start)) / d);
    float dG = static_cast<float>(static_cast<double>(greenOf(end) - greenOf(start)) / d);
    float dB = static_cast<float>(static_cast<double>(blueOf(end) - blueOf(start)) / d);
    if (!s.enabled) {
        r = g = b = 127.5f;
        dR = dG = dB = 0;
    }

    const int width = std::max(0, inner.width());
    const double pixelsPerUnit = static_cast<double>(width) / *n;
    const QRgb back = surface.back.rgb();
    std::vector<QRgb> columns(static_cast<size_t>(width), back);

    // Bands: band i covers [i, i + 1) units; its colour is the start plus i increments, added one at a time
    // in single precision as the bands are stepped.
    int band = 0;
    for (int x = 0; x < width; ++x) {
        const auto covering = static_cast<long long>(std::floor((x + 0.5) / pixelsPerUnit));
        if (covering > *fill)
            break;
        for (; band < covering; ++band) {
            r += dR;
            g += dG;
            b += dB;
        }
        columns[static_cast<size_t>(x)] = qRgb(channelOf(r), channelOf(g), channelOf(b));
    }

    // Segments: a background gap at the start of each, and only whole segments shown.
    DrawOutcome outcome = DrawOutcome::Bar;
    if (s.segmentSize != 0 && s.segmentWidth != 0) {
        const float step = s.segmentSize;
        if (std::fabs(static_cast<double>(*fill)) / std::fabs(static_cast<double>(step)) > kMaxSegments) {
            paintColumns(p, inner, columns, back);
            return DrawOutcome::Stopped;
        }
        for (float x = 0; step > 0 ? x <= *fill : x >= *fill;) {
            if (static_cast<float>(x + s.segmentSize) > *fill) {
                std::fill(columns.begin() + columnAt(x, pixelsPerUnit, width), columns.end(), back);
                break;
            }
            std::fill(columns.begin() + columnAt(x, pixelsPerUnit, width),
                      columns.begin() + std::max(columnAt(x, pixelsPerUnit, width),
                                                 columnAt(x + s.segmentWidth, pixelsPerUnit, width)),
                      back);
            const float next = x + step;
            if (next == x) { // a pitch too small to advance would never end the run
                outcome = DrawOutcome::Stopped;
                break;
            }
            x = next;
        }
    }
    paintColumns(p, inner, columns, back);
    if (outcome == DrawOutcome::Stopped)
        return outcome;

    if (s.showPercent && !drawPercentText(p, inner, s, surface, unitsAcross))
        return DrawOutcome::Stopped;
    return DrawOutcome::Bar;
}

} // namespace lumaband
