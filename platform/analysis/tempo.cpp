#include "analysis/tempo.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <numeric>

namespace platform::analysis {

namespace {

// The onsets are found in a mono mix taken down to about 11 kHz: the kicks, snares and hats are all there.
constexpr double kAnalysisRate = 11025;
constexpr double kOnsetFramesPerSecond = 172;
constexpr double kSmoothingSeconds = 0.008;
constexpr double kPowerFloor = 1e-7; // a band quieter than about -70 dB adds no onsets
constexpr double kShortestSong = 5.0;
// A constant grid is the song's first half hour's: a longer file is a mix or a recording whose tempo wanders,
// and its onsets would cost memory and time for nothing.
constexpr double kLongestSong = 30 * 60.0;
// A beat must stand out of the noise twice: the autocorrelation at the tempo's beats against the onsets'
// power (white noise scores 0.1, songs with drums 1.7 or more), and the onsets folded over one beat, the
// peak's rise over the mean against the mean (noise 1.7, songs with drums 15 or more).
constexpr double kSteadiestNoise = 0.25;
constexpr double kClearestNoise = 2.5;
// Between a tempo and its double, the snares decide where they are heard: folded over the slower tempo, the
// snares' band shows a pulse between the beats at least this strong (against its pulse on the beats) when the
// snares and claps are the backbeat of a beat twice as fast (drum and bass, read at half), and a weaker one
// when they are on the beats (hip hop). Measured on the test songs: 0.31 at most for the one, 0.54 at least
// for the other.
constexpr double kBackbeat = 0.45;
// The snares' band says nothing unless its fold's peak rises over its mean by this many times the mean (songs
// with drums 7 or more, the kicks' click alone included)...
constexpr double kSnaresClear = 4;
// ... and then the kicks' band folded over the tempo decides: a second pulse between the beats at least this
// strong (against the beat's) means the music's beat is twice as fast.
constexpr double kFasterPulse = 0.55;
// A beat counts from where the onsets on the grid reach this share of a typical beat's, four beats running.
constexpr double kBeatPresent = 0.3;
constexpr int kBeatsRunning = 4;
// An onset frame stands for the hop it closes, and the amplitude of a beat goes on rising into the next: the
// beat's start lies a fifth of a hop before the frame that a fold puts it in (measured on kicks).
constexpr double kOnsetWithinHop = -0.2;

double interpolated(const std::vector<double>& v, double x) {
    if (x < 0 || x >= double(v.size() - 1))
        return 0;
    const size_t i = size_t(x);
    const double f = x - double(i);
    return v[i] * (1 - f) + v[i + 1] * f;
}

double oneDecimal(double bpm) {
    return std::round(bpm * 10) / 10;
}

// The onsets folded over one beat of `period` frames: the mean onset in each of about one bin a frame.
std::vector<double> fold(const std::vector<float>& onsets, double period) {
    const int bins = std::max(8, int(period));
    std::vector<double> sum(size_t(bins), 0.0);
    std::vector<int> count(size_t(bins), 0);
    const double perBin = double(bins) / period;
    double phase = 0;
    for (float o : onsets) {
        const size_t b = std::min(size_t(bins - 1), size_t(phase * perBin));
        sum[b] += o;
        ++count[b];
        phase += 1;
        if (phase >= period)
            phase -= period;
    }
    for (size_t b = 0; b < sum.size(); ++b)
        sum[b] = count[b] ? sum[b] / count[b] : 0.0;
    return sum;
}

struct Peak {
    double height = 0; // above the profile's mean
    double phase = 0;  // in frames from the song's start, within one period
};

Peak strongest(const std::vector<double>& profile, double period) {
    const size_t n = profile.size();
    const size_t top = size_t(std::max_element(profile.begin(), profile.end()) - profile.begin());
    const double mean = std::accumulate(profile.begin(), profile.end(), 0.0) / double(n);
    const double left = profile[(top + n - 1) % n], right = profile[(top + 1) % n], mid = profile[top];
    const double curve = left - 2 * mid + right;
    const double shift = curve < 0 ? std::clamp(0.5 * (left - right) / curve, -0.5, 0.5) : 0.0;
    double phase = (double(top) + 0.5 + shift) * period / double(n);
    if (phase < 0)
        phase += period;
    return {mid - mean, std::fmod(phase, period)};
}

// The fold's value (above its mean) at `frame` within one `period`, the best of the three bins around it.
double foldedAt(const std::vector<double>& profile, double frame, double period) {
    const size_t bins = profile.size();
    const double mean = std::accumulate(profile.begin(), profile.end(), 0.0) / double(bins);
    const int64_t at = std::lround(frame * double(bins) / period) + int64_t(bins);
    double v = -1e300;
    for (int d = -1; d <= 1; ++d)
        v = std::max(v, profile[size_t(at + d) % bins] - mean);
    return v;
}

} // namespace

std::optional<bool> TempoDetector::snaresSayFaster(double beatPhase, double period) const {
    const std::vector<double> snares = fold(m_snare, period);
    const double mean = std::accumulate(snares.begin(), snares.end(), 0.0) / double(snares.size());
    if (strongest(snares, period).height < kSnaresClear * mean)
        return std::nullopt;
    const double on = foldedAt(snares, beatPhase, period),
                 between = foldedAt(snares, beatPhase + period / 2, period);
    return between > 0 && between >= kBackbeat * std::max(0.0, on);
}

TempoDetector::TempoDetector(int rate, int channels, Range range)
    : m_channels(std::max(1, channels)), m_range(range),
      m_decimation(std::max(1, int(std::lround(std::max(1, rate) / kAnalysisRate)))),
      m_rate(double(std::max(1, rate)) / m_decimation),
      m_hop(std::max(1, int(std::lround(m_rate / kOnsetFramesPerSecond)))), m_frameRate(m_rate / m_hop),
      m_smooth(1 - std::exp(-1 / (kSmoothingSeconds * m_rate))),
      m_longestSong(size_t(kLongestSong * m_frameRate)) {
    m_range.slowest = std::max(10.0, m_range.slowest);
    m_range.fastest = std::max(m_range.slowest * 1.05, m_range.fastest);
    const auto lowPass = [this](double hz) {
        const double w = 2 * std::numbers::pi * std::min(hz, 0.45 * m_rate) / m_rate;
        const double alpha = std::sin(w) / (2 * std::numbers::sqrt2 / 2);
        const double a0 = 1 + alpha, c = std::cos(w);
        Band b{};
        b.b0 = (1 - c) / 2 / a0;
        b.b1 = (1 - c) / a0;
        b.b2 = b.b0;
        b.a1 = -2 * c / a0;
        b.a2 = (1 - alpha) / a0;
        return b;
    };
    m_low = lowPass(150);
    m_mid = lowPass(2000);
    m_snareFloor = lowPass(400);
}

void TempoDetector::add(const float* frames, int count) {
    const int ch = m_channels;
    const double scale = 1.0 / (double(ch) * m_decimation);
    for (int i = 0; i < count; ++i) {
        const float* f = frames + size_t(i) * size_t(ch);
        float x = 0;
        for (int c = 0; c < ch; ++c)
            x += f[c];
        m_boxSum += x;
        if (++m_boxFill == m_decimation) {
            addDecimated(m_boxSum * scale);
            m_boxSum = 0;
            m_boxFill = 0;
        }
    }
}

void TempoDetector::addDecimated(double x) {
    if (m_onset.size() >= m_longestSong)
        return;
    if (!std::isfinite(x))
        x = 0; // a broken frame must not poison the filters for the rest of the song
    const double low = m_low.run(x), belowHigh = m_mid.run(x), belowSnare = m_snareFloor.run(x);
    m_snareEnergy += m_smooth * ((belowHigh - belowSnare) * (belowHigh - belowSnare) - m_snareEnergy);
    const double power[3] = {low * low, (belowHigh - low) * (belowHigh - low),
                             (x - belowHigh) * (x - belowHigh)};
    for (int b = 0; b < 3; ++b)
        m_energy[b] += m_smooth * (power[b] - m_energy[b]);
    if (++m_hopFill < m_hop)
        return;
    m_hopFill = 0;
    double rise = 0, punch = 0, snare = 0;
    for (int b = 0; b < 3; ++b) {
        const double level = std::log(m_energy[b] + kPowerFloor), amplitude = std::sqrt(m_energy[b]);
        if (m_primed) {
            rise += std::max(0.0, level - m_lastLog[b]);
            punch += std::max(0.0, amplitude - m_lastAmplitude[b]) * (b == 0 ? 1.0 : 0.5);
        }
        m_lastLog[b] = level;
        m_lastAmplitude[b] = amplitude;
    }
    const double snareAmplitude = std::sqrt(m_snareEnergy);
    if (m_primed)
        snare = std::max(0.0, snareAmplitude - m_lastSnare);
    m_lastSnare = snareAmplitude;
    m_primed = true;
    m_onset.push_back(float(rise));
    m_punch.push_back(float(punch));
    m_snare.push_back(float(snare));
}

std::optional<BeatGrid> TempoDetector::finish() const {
    const size_t n = m_onset.size();
    const double fr = m_frameRate;
    if (double(n) < kShortestSong * fr)
        return std::nullopt;

    // The onsets that stand above their surroundings; then their autocorrelation up to four slow beats.
    std::vector<float> sharp(n);
    {
        const size_t w = size_t(std::lround(0.15 * fr));
        double sum = 0;
        size_t lo = 0, hi = 0;
        for (size_t t = 0; t < n; ++t) {
            while (hi < n && hi <= t + w)
                sum += m_onset[hi++];
            while (lo + w < t)
                sum -= m_onset[lo++];
            sharp[t] = std::max(0.0f, m_onset[t] - float(sum / double(hi - lo)));
        }
    }
    const double mean = std::accumulate(sharp.begin(), sharp.end(), 0.0) / double(n);
    std::vector<float> centred(n);
    std::transform(sharp.begin(), sharp.end(), centred.begin(), [mean](float v) { return float(v - mean); });
    const size_t maxLag = std::min(n / 2, size_t(std::ceil(4 * 60 * fr / m_range.slowest)) + 2);
    std::vector<double> acf(maxLag + 1, 0.0);
    for (size_t lag = 0; lag <= maxLag; ++lag) {
        float sum = 0;
        const float* a = centred.data();
        const float* b = centred.data() + lag;
        for (size_t t = 0; t + lag < n; ++t)
            sum += a[t] * b[t];
        acf[lag] = double(sum) / double(n - lag);
    }
    if (acf[0] <= 0)
        return std::nullopt;

    // The tempo whose beats and bars the autocorrelation agrees with most.
    double best = 0, bestScore = -1e300;
    for (double bpm = m_range.slowest; bpm <= m_range.fastest; bpm += 0.05) {
        const double period = 60 * fr / bpm;
        double score = 0;
        for (int k = 1; k <= 4; ++k)
            score += interpolated(acf, k * period);
        if (score > bestScore) {
            bestScore = score;
            best = bpm;
        }
    }
    if (bestScore < kSteadiestNoise * acf[0])
        return std::nullopt; // no beat stands out of the noise

    // The exact tempo near an estimate: the one whose fold over the whole song gives the sharpest beat.
    const auto refine = [&](double estimate, double spread) {
        double bpm = oneDecimal(estimate * (1 - spread)), top = -1;
        double chosen = oneDecimal(estimate);
        for (; bpm <= estimate * (1 + spread); bpm = oneDecimal(bpm + 0.1)) {
            const double h = strongest(fold(sharp, 60 * fr / bpm), 60 * fr / bpm).height;
            if (h > top) {
                top = h;
                chosen = bpm;
            }
        }
        return chosen;
    };

    // Of a tempo and its doubles within the range, the beat is the fastest pulse the snares' backbeat (or,
    // without snares, the kicks) keep.
    double bpm = best;
    while (bpm / 2 >= m_range.slowest)
        bpm /= 2;
    bpm = refine(bpm, 0.02);
    while (bpm * 2 <= m_range.fastest) {
        const double period = 60 * fr / bpm;
        const std::vector<double> kicks = fold(m_punch, period);
        const Peak beat = strongest(kicks, period);
        const double offBeat = foldedAt(kicks, beat.phase + period / 2, period);
        const std::optional<bool> snares = snaresSayFaster(beat.phase, period);
        if (!(snares ? *snares : beat.height > 0 && offBeat >= kFasterPulse * beat.height))
            break;
        bpm = refine(bpm * 2, 0.003);
    }

    // The grid's phase from the fold; its first beat where beats are heard, four in a row.
    const double period = 60 * fr / bpm;
    const Peak beat = strongest(fold(sharp, period), period);
    if (beat.height < kClearestNoise * mean)
        return std::nullopt;
    const double phase = strongest(fold(m_punch, period), period).phase;
    std::vector<float> strength;
    for (double g = phase; g < double(n); g += period) {
        const int64_t at = std::llround(g);
        float s = 0;
        for (int64_t t = std::max<int64_t>(0, at - 1); t <= std::min<int64_t>(int64_t(n) - 1, at + 1); ++t)
            s = std::max(s, m_onset[size_t(t)]);
        strength.push_back(s);
    }
    std::vector<float> sorted = strength;
    const size_t q = sorted.size() * 3 / 4;
    std::nth_element(sorted.begin(), sorted.begin() + ptrdiff_t(q), sorted.end());
    const float present = float(kBeatPresent) * sorted[q];
    size_t first = 0;
    for (size_t k = 0; k + kBeatsRunning <= strength.size(); ++k) {
        if (std::all_of(strength.begin() + ptrdiff_t(k), strength.begin() + ptrdiff_t(k + kBeatsRunning),
                        [present](float s) { return s >= present; })) {
            first = k;
            break;
        }
    }
    const double frame = phase + double(first) * period;
    // A decimated sample stands for the middle of the frames it averages.
    const double seconds =
        (frame + kOnsetWithinHop) * m_hop / m_rate + 0.5 * (m_decimation - 1) / (m_rate * m_decimation);
    return BeatGrid{bpm, std::max(0.0, seconds)};
}

double halvedTempo(double bpm) {
    return oneDecimal(bpm / 2);
}
double doubledTempo(double bpm) {
    return oneDecimal(bpm * 2);
}

} // namespace platform::analysis
