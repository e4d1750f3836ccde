// The mix pass's sound shaping on its own: the three bands' measured responses, the filter's corner, the
// limiter's ceiling and its transparency.
#include <gtest/gtest.h>

#include "media/dsp/deckshape.h"
#include "media/dsp/limiter.h"
#include "media/dsp/sweepfilter.h"
#include "media/dsp/threebandeq.h"
#include "tones.h"

using namespace platform::media::dsp;

namespace {

constexpr double kRate = 48000;
constexpr int kRamp = 240;

// The level in dB at which a tone at `hz` leaves `process` (settled for a quarter second, measured for one).
template <class Process> double response(double hz, Process process) {
    const int settle = int(kRate) / 4, measure = int(kRate);
    std::vector<float> v = tones::sine(settle + measure, kRate, hz, 0.25f);
    for (int at = 0; at < settle + measure; at += 512)
        process(v.data() + 2 * at, std::min(512, settle + measure - at));
    return tones::dB(tones::amplitude(v, kRate, hz, settle, measure) / 0.25);
}

double eqResponse(double hz, std::array<float, 3> gains) {
    ThreeBandEq eq(kRate, kRamp);
    eq.setTargets(gains);
    eq.settle();
    return response(hz, [&](float* io, int n) { eq.process(io, n); });
}

const double kThirds[] = {20,   31.5, 50,   80,   125,  200,  250,   315,   500,  800,
                          1250, 2000, 2500, 3150, 5000, 8000, 12500, 16000, 20000};

// Equal gains on all three bands sum to one all-pass: the crossovers leave no trace from 20 Hz to 20 kHz.
TEST(ThreeBandEq, EqualBandsSumFlatAcrossTheRange) {
    for (float g : {0.5f, 1.0f, 2.0f})
        for (double hz : kThirds)
            EXPECT_NEAR(eqResponse(hz, {g, g, g}), tones::dB(g), 0.1) << hz << " Hz at " << g;
}

// A killed band is gone at its middle; a band at +6 dB is up by 6 there; the other bands stay.
TEST(ThreeBandEq, KillsAndBoostsEachBandAtItsMiddle) {
    const double middle[3] = {70, 790, 7000};
    for (int b = 0; b < 3; ++b) {
        SCOPED_TRACE(b);
        std::array<float, 3> kill{1, 1, 1}, boost{1, 1, 1};
        kill[b] = 0;
        boost[b] = 2;
        EXPECT_LT(eqResponse(middle[b], kill), -40);
        EXPECT_NEAR(eqResponse(middle[b], boost), 6.02, 0.2);
        EXPECT_NEAR(eqResponse(middle[(b + 1) % 3], kill), 0, 0.2);
    }
}

// Left of centre a low-pass, right a high-pass, whose corner follows the knob: an octave below (above) it
// passes, two octaves beyond it is at least 24 dB down; at the centre nothing is touched.
TEST(SweepFilter, TheCornerMovesWithTheKnob) {
    EXPECT_EQ(SweepFilter::corner(0.0f, kRate), 0.0);
    double lastLow = 1e9, lastHigh = 0;
    for (float knob : {0.2f, 0.5f, 0.8f, 1.0f}) {
        SCOPED_TRACE(knob);
        const double low = SweepFilter::corner(-knob, kRate), high = SweepFilter::corner(knob, kRate);
        EXPECT_LT(low, lastLow);
        EXPECT_GT(high, lastHigh);
        lastLow = low;
        lastHigh = high;
        for (float k : {-knob, knob}) {
            const double hz = SweepFilter::corner(k, kRate);
            const double pass = k < 0 ? hz / 2 : hz * 2, stop = k < 0 ? hz * 4 : hz / 4;
            SweepFilter f(kRate, kRamp);
            f.setTarget(k);
            f.settle();
            auto run = [&](float* io, int n) { f.process(io, n); };
            if (pass > 20 && pass < 20000) {
                EXPECT_NEAR(response(pass, run), 0, 1.5) << k;
            }
            if (stop > 20 && stop < 20000) {
                EXPECT_LT(response(stop, run), -24) << k;
            }
        }
    }
}

// Knobs at their centres, after any journey: the frames come back as they went in, the very same pointer.
TEST(DeckShape, AtTheCentreFramesPassUntouched) {
    DeckShape shape(kRate, kRamp);
    const std::vector<float> in = tones::sine(512, kRate, 440, 0.5f);
    EXPECT_EQ(shape.process(in.data(), 512), in.data());
    shape.setGain(2.0f);
    shape.setKill(ThreeBandEq::Mid, true);
    shape.setFilter(-0.5f);
    EXPECT_NE(shape.process(in.data(), 512), in.data());
    shape.setGain(1.0f);
    shape.setKill(ThreeBandEq::Mid, false);
    shape.setFilter(0.0f);
    for (int i = 0; i < 4; ++i)
        shape.process(in.data(), 512);
    EXPECT_EQ(shape.process(in.data(), 512), in.data());
    // Nonsense from a caller is held to the knob's range or its centre.
    shape.setGain(std::nanf(""));
    shape.setFilter(7.0f);
    EXPECT_EQ(shape.gain(), 1.0f);
    EXPECT_EQ(shape.filter(), 1.0f);
}

std::vector<float> limited(const std::vector<float>& in, Limiter& limiter) {
    std::vector<float> out = in;
    for (size_t at = 0; at < out.size(); at += 2 * 300)
        limiter.process(out.data() + at, int(std::min<size_t>(300, (out.size() - at) / 2)));
    return out;
}

// Below the ceiling the limiter is a delay and nothing else.
TEST(Limiter, PassesAQuietSignalUntouched) {
    Limiter limiter{int(kRate)};
    const std::vector<float> in = tones::sine(6000, kRate, 997, 0.85f);
    const std::vector<float> out = limited(in, limiter);
    const size_t d = 2 * size_t(limiter.latency());
    EXPECT_TRUE(std::all_of(out.begin(), out.begin() + d, [](float s) { return s == 0.0f; }));
    EXPECT_TRUE(std::equal(out.begin() + d, out.end(), in.begin()));
    EXPECT_EQ(limiter.leastGain(), 1.0f);
}

// Peaks between the samples count: a sine at a quarter of the rate sampled 45° off its crest reads 3 dB
// under its true peak. Loud signals of either kind come out at or below -1 dBTP, and not crushed.
TEST(Limiter, HoldsMinusOneDbTruePeak) {
    struct Case {
        const char* what;
        std::vector<float> in;
    };
    std::vector<float> sum = tones::sine(12000, kRate, 440, 1.0f);
    const std::vector<float> other = tones::sine(12000, kRate, 1234, 1.0f, 1.0);
    for (size_t i = 0; i < sum.size(); ++i)
        sum[i] += other[i];
    // A quiet tone, then a sudden loud one: the look-ahead has the gain down before its first frame.
    std::vector<float> burst = tones::sine(12000, kRate, 300, 0.3f);
    const std::vector<float> loud = tones::sine(12000, kRate, 5000, 1.5f);
    std::copy(loud.begin() + 2 * 6000, loud.begin() + 2 * 6500, burst.begin() + 2 * 6000);
    for (const Case& c :
         {Case{"inter-sample", tones::sine(12000, kRate, kRate / 4, 0.95f * std::numbers::sqrt2_v<float>,
                                           std::numbers::pi / 4)},
          Case{"two full-scale decks", sum}, Case{"burst", burst}}) {
        SCOPED_TRACE(c.what);
        EXPECT_GT(tones::truePeak(c.in, 0), 1.0);
        Limiter limiter{int(kRate)};
        const std::vector<float> out = limited(c.in, limiter);
        const double peak = tones::truePeak(out, 0);
        EXPECT_LE(tones::dB(peak), -1.0);
        EXPECT_GT(tones::dB(peak), -1.6);
    }
}

} // namespace
