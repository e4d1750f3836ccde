#pragma once

#include <QString>
#include <optional>

// The slider's arithmetic, free of any widget: the scale, handle positions and the value under the pointer.
// Every function that could divide by zero or leave the 16-bit coordinate range says so through an empty
// result, and the control decides whether that is an error for its caller.
namespace glissor {

// Pixels the handle moves per unit of value: (face width - handle width) / maximum. Empty when the maximum is
// 0.
std::optional<double> scaleFor(int faceWidth, int handleWidth, double max);

// A position rounded halves-to-even into a 16-bit coordinate; empty when it does not fit (or is not a
// number).
std::optional<short> toCoordinate(double position);

// Like toCoordinate, but a position outside the range is pinned to its nearest end (NaN gives 0).
short toCoordinateSaturated(double position);

// The value text under the pointer: the largest whole number not above x / scale. Empty when the scale is 0.
std::optional<QString> valueAtPointer(double x, double pixelsPerUnit);

// The handle's left edge for a value picked with the mouse, kept inside the face: not below 0, and its right
// edge not past the face's right edge (compared in 32-bit floating point, as the sizes are).
short clampHandle(short handleX, int handleWidth, int faceWidth);

} // namespace glissor
