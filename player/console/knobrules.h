#pragma once

#include <QString>

namespace player {

// How a rotary knob of the DJ view turns: its angle, a drag, the wheel, the centre detent and the words of
// its tooltip. Every knob travels -1 .. 1 with its centre at 0, whatever it controls; free of any widget.
namespace knobrules {

enum class Kind { Gain, High, Mid, Low, Filter };

// Each side of the centre, in degrees from straight up: the usual seven o'clock to five o'clock sweep.
inline constexpr double kSweepDegrees = 135.0;
// Within this of the centre a drag rests on the centre, and a wheel turn that would pass it stops there: a
// DJ finds "flat" blind, as on a hardware mixer's notched pots.
inline constexpr double kDetent = 0.04;
// A drag of this many logical pixels turns a knob from one end to the other.
inline constexpr double kPixelsForTravel = 160.0;
// One notch of a mouse wheel.
inline constexpr double kWheelStep = 0.05;

// Degrees clockwise from straight up.
double angle(double value);
// The value after dragging `pixelsUp` (negative: down) from a press made at `from`.
double dragged(double from, double pixelsUp);
// The value after `notches` of the wheel (fractions from fine wheels and touchpads) from `from`.
double wheeled(double from, double notches);

// The gain knob speaks in dB over mixrules' trim range.
double gainDb(double value);
double gainValue(double db);

// What the knob stands at: "+2.5 dB", "-∞ dB", "kill", "off", "low-pass 40 %".
QString valueText(Kind kind, double value, bool killed = false);

} // namespace knobrules

} // namespace player
