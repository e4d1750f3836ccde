#pragma once

#include <QString>
#include <array>
#include <optional>

#include "analysis/tempo.h"

namespace player {

// The tempo faders and SYNC as arithmetic: what a deck plays at, which range reaches a tempo, how far a deck
// moves to put its beats on another's, and what the fader reads.
namespace temporules {

// A fader covers 1 ± one of these; the first is where a deck starts.
inline constexpr std::array<double, 3> kRanges = {0.08, 0.16, 0.50};

// The beats a minute a deck plays at: its song's tempo times its speed.
inline double playingBpm(double bpm, double ratio) {
    return bpm * ratio;
}

// The speed that plays a song of `ownBpm` at `targetBpm`, or at its half or double when that is a smaller
// change (a hip-hop song under drum and bass, a beat to every other one of the other deck's), and the range
// its fader needs for it: `range` when it reaches, else the narrowest wider one; empty when no range reaches
// (or a tempo is no tempo). `otherBeats` is how many of the other deck's beats fall on one of this deck's: 1,
// 2 or 0.5.
struct Fit {
    double ratio;
    double range;
    double otherBeats = 1;
};
std::optional<Fit> fitTempo(double ownBpm, double targetBpm, double range);

// How far (song seconds) a deck heard at `ownHeard` moves so that its beats fall where the other deck's do,
// that one heard at `otherHeard`: less than half a beat either way, never before the song's start. Both
// decks are taken to play in step already, `otherBeats` of the other's beats to one of this one's (see Fit);
// where this deck's beat may meet either of two of the other's, the nearer is taken.
double phaseShift(const platform::analysis::BeatGrid& own, double ownHeard,
                  const platform::analysis::BeatGrid& other, double otherHeard, double otherBeats = 1);

// The fader's face: its range's steps either side of a centre that catches the near ones. Up is slower, as
// on a turntable's pitch fader, whose bottom is the fast end.
inline constexpr int kFaderSteps = 1000;
inline constexpr int kDetentSteps = 15;
int faderValue(double ratio, double range);
double ratioAt(int value, double range);
// "+2.4 %", "-8.0 %", "0.0 %".
QString tempoText(double ratio);
// The range a click on it moves to: the next, round again after the widest.
double nextRange(double range);
// A step of the tempo keys and of the fader's wheel: a tenth of a percent.
inline constexpr double kStep = 0.001;
// The taps' clock: seconds that only move forward.
double tapClock();
// A tap count is shown this long after its last tap.
inline constexpr double kTapShownSeconds = 2.0;

// A bpm as the deck shows it: one decimal; empty without one.
QString bpmText(std::optional<double> bpm);

} // namespace temporules

} // namespace player
