#pragma once

#include <utility>

namespace player {

// How the knobs and faders of a DJ mixer turn into gains, free of any window and of the engine, so tests
// call them directly.
namespace mixrules {

// The gain (trim) knob: -12 .. +12 dB, 0 at the centre.
inline constexpr double kTrimMinDb = -12.0, kTrimMaxDb = 12.0;
double trimGain(double db);

// A band's knob: -1 (the band silent) .. 0 (as it is) .. 1 (+6 dB). Above the centre even steps in dB; below
// it a cube, so that most of the knob's lower half is spent in the range a DJ cuts by (-3 to -30 dB) and
// its end is silence.
inline constexpr double kBandMaxDb = 6.0;
double bandGain(double knob);

// The two ways the three sliders (two deck sliders and the crossfader) reach the decks.
enum class Faders {
    AsWritten, // each slider writes the deck's one level, the last one moved deciding
    DjMixer,   // a channel fader per deck times the crossfader's curve, always as the sliders show
};
enum class CrossfadeCurve {
    EqualPower, // both decks at -3 dB in the middle: a blend of unrelated songs keeps its loudness
    Cut,        // both full over the whole travel but its ends, where one is cut at once (scratching)
};

// A channel fader's gain at `travel` (0 the bottom .. 1 the top): even steps in dB over kChannelRangeDb, and
// off at the bottom.
inline constexpr double kChannelRangeDb = 64.0;
double channelGain(double travel);
// The crossfader's gains for deck 0 and deck 1 at `value` (1: deck 0 alone .. 100: deck 1 alone).
std::pair<double, double> crossfadeGains(int value, CrossfadeCurve curve);
// A gain as the deck's level (0 loudest; gain = 1 + level / 9000), the nearest whole level.
int levelForGain(double gain);

} // namespace mixrules

} // namespace player
