#include "lumaband/lumabandrules.h"

#include <QFontMetricsF>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "component/controlerror.h"
#include "core/colours.h"
#include "core/rounding.h"

namespace lumaband {

using platform::component::ControlError;
using platform::component::ErrorKind;

namespace {

constexpr int kInt16Max = 32767;
// More segments than this in one run means a pitch far finer than any pixel; such a run takes its gaps column
// by column instead of stepping for seconds (or for ever, once the single-precision position stops
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
    if (!(c > 0)) // also a position that is not a number, from a loaded segment setting
        return 0;
    return c >= width ? width : static_cast<int>(c);
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

namespace {

// Background gaps at the start of each segment, and the incomplete last segment erased with everything right
// of it: only whole segments show. False when the run has to stop (a pitch that no longer advances).
bool cutSegments(std::vector<QRgb>& columns, const BarSettings& s, int fill, double pixelsPerUnit,
                 QRgb back) {
    const int width = static_cast<int>(columns.size());
    const float step = s.segmentSize;
    const auto column = [&](double u) { return columnAt(u, pixelsPerUnit, width); };
    if (step > 0 && fill / static_cast<double>(step) > kMaxSegments) {
        // A pitch far finer than a pixel: each column takes what lies under its centre, computed per column
        // rather than stepping through millions of segments.
        const double pitch = step;
        const double firstPartial = fill < pitch ? 0 : (std::floor((fill - pitch) / pitch) + 1) * pitch;
        const int erased = column(firstPartial);
        for (int x = 0; x < erased; ++x)
            if (std::fmod((x + 0.5) / pixelsPerUnit, pitch) < s.segmentWidth)
                columns[static_cast<size_t>(x)] = back;
        std::fill(columns.begin() + erased, columns.end(), back);
        return true;
    }
    for (float x = 0; step > 0 ? x <= fill : x >= fill;) {
        if (static_cast<float>(x + s.segmentSize) > fill) {
            std::fill(columns.begin() + column(x), columns.end(), back);
            return true;
        }
        std::fill(columns.begin() + column(x),
                  columns.begin() + std::max(column(x), column(x + s.segmentWidth)), back);
        const float next = x + step;
        if (next == x)
            return false;
        x = next;
    }
    return true;
}

// The percentage text, half a digit left of the middle: of the surface, or of the filled part when the
// gradient follows it. Nothing when the percentage breaks a 16-bit limit.
void placeText(BarRun& run, const BarSettings& s, QSize inner, const TextMetrics& metrics) {
    std::int16_t pct = 0;
    try {
        pct = percent(s.min, s.max, s.value);
    } catch (const ControlError&) {
        run.outcome = DrawOutcome::Stopped;
        return;
    }
    const double width = inner.width();
    const double pixelsPerUnit = run.unitsAcross > 0 && width > 0 ? width / run.unitsAcross : 1.0;
    const double middle =
        s.relativeScroll ? (std::abs(int{s.min}) + int{s.value}) * pixelsPerUnit / 2.0 : width / 2.0;
    run.text = QString::number(pct) + QLatin1Char('%');
    run.textAt = QPointF(middle - metrics.digitWidth / 2, inner.height() / 2.0 - metrics.height / 2);
}

} // namespace

BarRun layoutBar(const BarSettings& s, QSize inner, QRgb back, const TextMetrics& text, float unitsAcross) {
    const int width = std::max(0, inner.width());
    BarRun run{
        DrawOutcome::Background, unitsAcross, std::vector<QRgb>(static_cast<size_t>(width), back), {}, {}};
    const auto withText = [&]() -> BarRun {
        if (s.showPercent)
            placeText(run, s, inner, text);
        return run;
    };
    if (s.value == s.min)
        return withText();

    const auto n = unitsOf(s);
    if (!n || *n == 0) { // a scale of no units cannot be set
        run.outcome = DrawOutcome::Stopped;
        return run;
    }
    run.unitsAcross = static_cast<float>(*n);
    run.outcome = DrawOutcome::Bar;

    const std::uint32_t start = resolveColor(s.startColor);
    const std::uint32_t end = resolveColor(s.endColor);
    const auto fill = sum16(std::abs(int{s.min}), s.value);
    const int d = !fill ? 0 : s.relativeScroll ? *fill : *n;
    if (d == 0) {
        run.outcome = DrawOutcome::Stopped;
        return run;
    }
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

    // Bands: band i covers [i, i + 1) units; its colour is the start plus i increments, added one at a time
    // in single precision as the bands are stepped.
    const double pixelsPerUnit = static_cast<double>(width) / *n;
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
        run.columns[static_cast<size_t>(x)] = qRgb(channelOf(r), channelOf(g), channelOf(b));
    }

    // Whatever the segments did, the percentage is written over what they left.
    if (s.segmentSize != 0 && s.segmentWidth != 0 && !cutSegments(run.columns, s, *fill, pixelsPerUnit, back))
        run.outcome = DrawOutcome::Stopped;
    return withText();
}

void paintBar(QPainter& p, const QRect& inner, const BarRun& run, const Surface& surface) {
    p.fillRect(inner, surface.back);
    const QRgb back = surface.back.rgb();
    const int n = static_cast<int>(run.columns.size());
    for (int x = 0; x < n;) {
        int end = x + 1;
        while (end < n && run.columns[end] == run.columns[x])
            ++end;
        if (run.columns[x] != back)
            p.fillRect(QRect(inner.left() + x, inner.top(), end - x, inner.height()),
                       QColor::fromRgb(run.columns[x]));
        x = end;
    }
    if (run.text.isEmpty())
        return;
    const QFontMetricsF fm(surface.font);
    p.setFont(surface.font);
    p.setPen(surface.fore);
    p.drawText(inner.topLeft() + run.textAt + QPointF(0, fm.ascent()), run.text);
}

TextMetrics textMetrics(const QFont& font) {
    const QFontMetricsF fm(font);
    return {fm.horizontalAdvance(QLatin1Char('8')), fm.height()};
}

DrawOutcome drawBar(QPainter& p, const QRect& inner, const BarSettings& s, const Surface& surface,
                    float& unitsAcross) {
    const BarRun run = layoutBar(s, inner.size(), surface.back.rgb(), textMetrics(surface.font), unitsAcross);
    paintBar(p, inner, run, surface);
    unitsAcross = run.unitsAcross;
    return run.outcome;
}

} // namespace lumaband
