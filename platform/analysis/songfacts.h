#pragma once

#include <optional>

#include "analysis/tempo.h"

namespace platform::analysis {

// What the analysis of a song tells the console besides its picture: where its beats fall, how loud it is
// and where its sound begins and ends. Each is empty when the song gave nothing to learn it from.
struct SongFacts {
    // The user's tempo (tapped, halved or doubled) where one is set, else the analysis' grid.
    std::optional<BeatGrid> beats;
    bool userTempo = false;
    std::optional<double> loudnessLufs;
    std::optional<double> truePeakDbtp;
    std::optional<double> audibleStartSeconds, audibleEndSeconds;
};

} // namespace platform::analysis
