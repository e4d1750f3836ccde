#pragma once

// Rounding throughout the suite sends halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
namespace platform {

double roundHalfEven(double x);
// Rounds to `places` decimal places (0 to 15), halves to even on the scaled value.
double roundHalfEven(double x, int places);
// roundHalfEven to a whole number, clamped to the 32-bit range; NaN gives 0.
int roundToInt(double x);

} // namespace platform
