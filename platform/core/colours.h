#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>

// A colour is a 32-bit value: with the high bit clear it is 0x00BBGGRR; with it set, the low byte is the
// index of a classic system colour, resolved from the application palette when drawn.
namespace platform {

using OleColor = std::uint32_t;

inline constexpr OleColor kSystemColourFlag = 0x80000000u;
inline constexpr OleColor kButtonFace = 0x8000000Fu;
inline constexpr OleColor kButtonText = 0x80000012u;

inline constexpr OleColor rgb(int r, int g, int b) {
    return static_cast<OleColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline constexpr bool isSystemColour(OleColor c) {
    return (c & kSystemColourFlag) != 0;
}

// The palette role a classic system colour index stands for (index = low byte of the colour).
QPalette::ColorRole systemColourRole(int index, QPalette::ColorGroup* group = nullptr);

// Resolves any colour to red, green and blue; system colours come from `palette` (the application's by
// default).
QColor toQColor(OleColor c);
QColor toQColor(OleColor c, const QPalette& palette);
OleColor fromQColor(const QColor& c);

// How far apart two colours are for the eye, as the web's accessibility rules measure it: the ratio of their
// relative luminances, each plus 0.05; 1 for equal colours, 21 for black on white. Text wants 4.5 at least.
double relativeLuminance(const QColor& c);
double contrastRatio(const QColor& a, const QColor& b);

} // namespace platform
