#include "temporules.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace player::temporules {

std::optional<Fit> fitTempo(double ownBpm, double targetBpm, double range) {
    if (!(ownBpm > 0) || !(targetBpm > 0) || !std::isfinite(ownBpm) || !std::isfinite(targetBpm))
        return std::nullopt;
    std::optional<Fit> best;
    for (double otherBeats : {1.0, 2.0, 0.5}) {
        const double ratio = targetBpm / otherBeats / ownBpm;
        // A rounding hair past a range's edge still belongs to it: 128 to 138.24 is +8 % exactly.
        const double need = std::fabs(ratio - 1.0) - 1e-9;
        if (best && need >= std::fabs(best->ratio - 1.0) - 1e-9)
            continue;
        for (double r : kRanges) {
            if (r >= range && need <= r) {
                best = Fit{ratio, r, otherBeats};
                break;
            }
        }
    }
    return best;
}

double phaseShift(const platform::analysis::BeatGrid& own, double ownHeard,
                  const platform::analysis::BeatGrid& other, double otherHeard, double otherBeats) {
    const double period = own.periodSeconds(), otherPeriod = other.periodSeconds();
    if (!(period > 0) || !(otherPeriod > 0) || !(otherBeats > 0))
        return 0;
    auto fraction = [](double x) { return x - std::floor(x); };
    const double theirs = fraction((otherHeard - other.firstBeatSeconds) / otherPeriod);
    const double mine = fraction((ownHeard - own.firstBeatSeconds) / period);
    // Where in its own beat this deck must be: on one of the other's beats, of which `otherBeats` pass in one
    // of this deck's (or one in two of this deck's).
    double d = 1;
    for (int k = 0; k < std::max(1, int(std::lround(otherBeats))); ++k) {
        double c = fraction((theirs + k) / otherBeats) - mine;
        if (c >= 0.5)
            c -= 1;
        else if (c < -0.5)
            c += 1;
        if (std::fabs(c) < std::fabs(d) - 1e-12)
            d = c;
    }
    double shift = d * period;
    // Near the start the beat before may not exist: the one after it does.
    if (ownHeard + shift < 0)
        shift += period;
    return shift;
}

int faderValue(double ratio, double range) {
    if (!(range > 0) || !std::isfinite(ratio))
        return 0;
    return int(std::lround(std::clamp((1.0 - ratio) / range, -1.0, 1.0) * kFaderSteps));
}

double ratioAt(int value, double range) {
    const int v = std::clamp(value, -kFaderSteps, kFaderSteps);
    if (std::abs(v) <= kDetentSteps)
        return 1.0;
    return 1.0 - range * v / kFaderSteps;
}

QString tempoText(double ratio) {
    double percent = std::isfinite(ratio) ? (ratio - 1.0) * 100 : 0;
    // Rounded first: -0.04 % reads as 0.0 %, not -0.0 %.
    percent = std::round(percent * 10) / 10;
    if (percent == 0)
        return QStringLiteral("0.0 %");
    return (percent > 0 ? QStringLiteral("+") : QString()) + QString::number(percent, 'f', 1) +
           QStringLiteral(" %");
}

double nextRange(double range) {
    for (double r : kRanges)
        if (r > range)
            return r;
    return kRanges.front();
}

double tapClock() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

QString bpmText(std::optional<double> bpm) {
    if (!bpm || !std::isfinite(*bpm) || *bpm <= 0)
        return QString();
    return QString::number(*bpm, 'f', 1);
}

} // namespace player::temporules
