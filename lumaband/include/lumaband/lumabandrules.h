#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRect>
#include <QString>
#include <cstdint>
#include <vector>

#include "lumaband/lumaband_export.h"

class QPainter;

// Lumaband's rules without a widget: the setters' checks, the percentage, and one drawing run of the bar.
namespace lumaband {

// The nine values a Lumaband stores, with the values of a new instance, and the surface's enabled state.
struct BarSettings {
    std::uint32_t startColor = 0;
    std::uint32_t endColor = 0;
    std::int16_t value = 0;
    std::int16_t min = 0;
    std::int16_t max = 100;
    bool showPercent = true;
    bool relativeScroll = false;
    float segmentSize = 0;
    float segmentWidth = 0.7f;
    bool enabled = true;
};

// The setters' checks on the value as passed: null when accepted, else the warning to show.
LUMABAND_EXPORT const char* checkValue(std::int16_t newValue, const BarSettings& s);
LUMABAND_EXPORT const char* checkMin(std::int16_t newMin, const BarSettings& s);
LUMABAND_EXPORT const char* checkMax(std::int16_t newMax, const BarSettings& s);
LUMABAND_EXPORT const char* checkSegmentSize(float newSize, const BarSettings& s);
LUMABAND_EXPORT const char* checkSegmentWidth(float newWidth, const BarSettings& s);

// (|min| + value) / (|max| + |min|) * 100 with 16-bit sums, rounded half to even. Throws
// platform::component::ControlError: Overflow when a sum or the result leaves 16 bits, DivisionByZero when
// |max| + |min| is 0.
LUMABAND_EXPORT std::int16_t percent(std::int16_t min, std::int16_t max, std::int16_t value);

// A colour with the high bit set becomes the system colour it names; any other is used unchanged.
LUMABAND_EXPORT std::uint32_t resolveColor(std::uint32_t color);
// A colour's channel from its resolved value: red bits 0-7, green 8-15, blue 16-23.
inline int redOf(std::uint32_t c) {
    return static_cast<int>(c & 0xFF);
}
inline int greenOf(std::uint32_t c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
inline int blueOf(std::uint32_t c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
// A working channel value as drawn: rounded half to even, brought into 0..255.
LUMABAND_EXPORT int channelOf(float v);

// What the drawing surface supplies: its colours and font, already resolved.
struct Surface {
    QColor back;
    QColor fore;
    QFont font;
};

enum class DrawOutcome {
    Background, // Value equals Min: no bar, the scale untouched
    Bar,        // a bar was drawn, and the scale set to |Max| + |Min| units across
    Stopped,    // a 16-bit limit, a zero length or a pitch that no longer advances stopped the run; what it
                // drew stays
};

// The size of the percentage text in the surface's font, in pixels: the width of "8" and the text height.
struct TextMetrics {
    double digitWidth = 0;
    double height = 0;
};
LUMABAND_EXPORT TextMetrics textMetrics(const QFont& font);

// One run of the bar, as the picture it leaves: a colour for each pixel column of the drawing area and where
// the percentage text goes. The bands are one colour per pixel column, the colour of the band that covers the
// column's centre: the picture the unit-wide bands leave, at the cost of the width rather than of the value.
struct BarRun {
    DrawOutcome outcome = DrawOutcome::Background;
    float unitsAcross = 0; // the horizontal scale after the run (units across the width, 0 meaning pixels)
    std::vector<QRgb> columns; // left to right; the background colour where the bar does not reach
    QString text;              // the percentage text, empty when none is written
    QPointF textAt;            // its top-left corner, in pixels from the drawing area's top-left
};

// The run for a drawing area of `inner` pixels on background `back`, with the scale `unitsAcross` in force.
// Needs no window and no painter.
LUMABAND_EXPORT BarRun layoutBar(const BarSettings& s, QSize inner, QRgb back, const TextMetrics& text,
                                 float unitsAcross);
// Paints a run into `inner`: the background, the columns, the text.
LUMABAND_EXPORT void paintBar(QPainter& p, const QRect& inner, const BarRun& run, const Surface& surface);
// Both in one, as the control's paint does: `unitsAcross` takes the scale the run leaves.
LUMABAND_EXPORT DrawOutcome drawBar(QPainter& p, const QRect& inner, const BarSettings& s,
                                    const Surface& surface, float& unitsAcross);

// The scale a run with these settings leaves behind, without drawing.
LUMABAND_EXPORT float scaleAfterRun(const BarSettings& s, float unitsAcross);

} // namespace lumaband
