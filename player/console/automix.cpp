#include "automix.h"

#include <algorithm>
#include <cmath>

namespace player::automix {

namespace {
double finiteOr(double v, double otherwise) {
    return std::isfinite(v) ? v : otherwise;
}
} // namespace

Settings held(Settings s) {
    s.fadeSeconds =
        std::clamp(finiteOr(s.fadeSeconds, kFadeDefaultSeconds), kFadeMinSeconds, kFadeMaxSeconds);
    s.targetLufs = std::clamp(finiteOr(s.targetLufs, kTargetDefaultLufs), kTargetMinLufs, kTargetMaxLufs);
    return s;
}

// Bounds that contradict the song (past its end, reversed, not numbers) are a fault of the analysis, not a
// reason to skip the song: the whole song plays instead.
Span audible(const platform::analysis::SongFacts& facts, double length) {
    const double len = std::max(0.0, finiteOr(length, 0));
    Span s{0, len};
    const double a = facts.audibleStartSeconds.value_or(0), b = facts.audibleEndSeconds.value_or(len);
    if (std::isfinite(a) && std::isfinite(b) && a >= 0 && b <= len && a < b)
        s = {a, b};
    return s;
}

Plan plan(double outLength, const platform::analysis::SongFacts& out, double inLength,
          const platform::analysis::SongFacts& in, double fadeSeconds) {
    const Span o = audible(out, outLength);
    double fade =
        std::min(std::clamp(finiteOr(fadeSeconds, kFadeDefaultSeconds), kFadeMinSeconds, kFadeMaxSeconds),
                 (o.end - o.start) / 2);
    Plan p;
    if (inLength > 0) {
        const Span i = audible(in, inLength);
        fade = std::min(fade, (i.end - i.start) / 2);
        p.incomingFrom = i.start;
    }
    p.fadeEnd = o.end;
    p.fadeStart = o.end - fade;
    p.loadAt = std::max(0.0, p.fadeStart - kLoadAheadSeconds);
    return p;
}

int faderAt(const Plan& p, double t, int from, int incomingDeck) {
    const int to = incomingDeck == 0 ? 1 : 100;
    const double span = p.fadeEnd - p.fadeStart;
    const double x = span > 0 ? std::clamp((t - p.fadeStart) / span, 0.0, 1.0) : (t >= p.fadeEnd ? 1.0 : 0.0);
    return from + int(std::lround((to - from) * x));
}

std::optional<double> levelGainDb(const platform::analysis::SongFacts& facts, const ReplayGain& tags,
                                  double targetLufs) {
    std::optional<double> gain;
    std::optional<double> peakDb;
    if (facts.loudnessLufs && std::isfinite(*facts.loudnessLufs)) {
        gain = targetLufs - *facts.loudnessLufs;
        peakDb = facts.truePeakDbtp;
    } else if (tags.trackGainDb && std::isfinite(*tags.trackGainDb)) {
        gain = *tags.trackGainDb + (targetLufs - kReplayGainReferenceLufs);
        if (tags.trackPeak && *tags.trackPeak > 0)
            peakDb = 20 * std::log10(*tags.trackPeak);
    }
    if (!gain)
        return std::nullopt;
    if (peakDb && std::isfinite(*peakDb))
        gain = std::min(*gain, kPeakCeilingDbtp - *peakDb);
    return std::clamp(*gain, kLevelMinDb, kLevelMaxDb);
}

bool beatMatch(const platform::analysis::SongFacts& out, double outTempo,
               const platform::analysis::SongFacts& in, double range) {
    if (!out.beats || !in.beats || out.beats->bpm <= 0 || in.beats->bpm <= 0 || !(outTempo > 0))
        return false;
    const double ratio = out.beats->bpm * outTempo / in.beats->bpm;
    return std::abs(ratio - 1.0) <= range + 1e-9;
}

double tempoGlide(double synced, double since) {
    const double x = std::clamp(finiteOr(since, 0) / kTempoGlideSeconds, 0.0, 1.0);
    return std::round((synced + (1.0 - synced) * x) * 1000.0) / 1000.0;
}

} // namespace player::automix
