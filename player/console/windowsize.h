#pragma once

#include <QString>
#include <array>

namespace player {

// How large the main window is drawn, in percent of its design: a few fixed steps, so every element's place
// stays a whole number of pixels close to the design's, kept in the settings store between runs.
namespace windowsize {

inline constexpr std::array<int, 5> kSteps = {100, 125, 150, 175, 200};
inline constexpr int kDesign = 100;
inline constexpr auto kSection = "Window";
inline constexpr auto kKey = "Size";

// The step above (or below) `percent`; the last step stays where it is.
int larger(int percent);
int smaller(int percent);
// `percent` when it is one of the steps; anything else is the design's size.
int step(int percent);
// What the store's text says, when it is one of the steps; anything else is the design's size.
int fromText(const QString& stored);
inline double scaleOf(int percent) {
    return percent / 100.0;
}

int read();
// False when the store could not be written.
bool write(int percent);

} // namespace windowsize

} // namespace player
