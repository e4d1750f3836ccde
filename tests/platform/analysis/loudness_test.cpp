// Loudness and true peak on signals of EBU Tech 3341's kind, made here, and beside libebur128 where it is
// installed; the audible bounds of songs with known silences.
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

#include "analysis/audiblebounds.h"
#include "analysis/loudness.h"
#include "beatsongs.h"
#ifdef DECKMORA_HAVE_EBUR128
#include <ebur128.h>
#endif

using namespace platform::analysis;

namespace {

struct Part {
    double seconds;
    double dbfs; // the sine's peak; below -200 for digital silence
    double hz = 1000;
};

// Stereo: the parts one after another, a sine of the same level in both channels.
std::vector<float> tones(int rate, std::initializer_list<Part> parts, double phase = 0) {
    std::vector<float> out;
    for (const Part& p : parts) {
        const double amplitude = p.dbfs < -200 ? 0 : std::pow(10, p.dbfs / 20);
        const size_t frames = size_t(p.seconds * rate);
        for (size_t f = 0; f < frames; ++f) {
            const float v =
                float(amplitude * std::sin(2 * std::numbers::pi * p.hz * double(f) / rate + phase));
            out.push_back(v);
            out.push_back(v);
        }
    }
    return out;
}

Loudness measure(const std::vector<float>& frames, int rate, int channels = 2) {
    Loudness l(rate, channels);
    const size_t count = frames.size() / size_t(channels);
    for (size_t f = 0; f < count; f += 8192)
        l.add(frames.data() + f * size_t(channels), int(std::min<size_t>(8192, count - f)));
    l.finish();
    return l;
}

TEST(Loudness, SinesAndGatesReadTheirLevel) {
    const double silence = -300;
    const struct {
        int rate;
        std::vector<float> signal;
        double lufs;
    } cases[] = {
        {48000, tones(48000, {{20, -23}}), -23.0},
        {44100, tones(44100, {{20, -23}}), -23.0},
        {48000, tones(48000, {{20, -20}}), -20.0},
        {22050, tones(22050, {{20, -20}}), -20.0},
        // The relative gate leaves the quiet ends out; the absolute gate the silence.
        {48000, tones(48000, {{10, -36}, {60, -23}, {10, -36}}), -23.0},
        {48000, tones(48000, {{20, -26}, {20.1, -20}, {20, -26}}), -23.0},
        {44100, tones(44100, {{30, silence}, {20, -23}, {40, silence}}), -23.0},
        {48000, tones(48000, {{5, -72}, {20, -23}}), -23.0},
    };
    for (const auto& c : cases) {
        const auto lufs = measure(c.signal, c.rate).integratedLufs();
        ASSERT_TRUE(lufs);
        EXPECT_NEAR(*lufs, c.lufs, 0.1) << c.signal.size() / 2 << " frames at " << c.rate;
    }
    EXPECT_FALSE(measure(tones(48000, {{10, silence}}), 48000).integratedLufs());
    EXPECT_FALSE(measure(tones(48000, {{10, -75}}), 48000).integratedLufs());
    EXPECT_FALSE(measure(tones(48000, {{0.39, -10}}), 48000).integratedLufs());
    EXPECT_FALSE(measure(tones(48000, {{1, silence}}), 48000).truePeakDbtp());
}

// A sine at a quarter of the rate, sampled 45 degrees off its crests, peaks 3 dB above every sample.
TEST(Loudness, TruePeakFindsWhatLiesBetweenSamples) {
    for (const int rate : {44100, 48000}) {
        const Loudness l = measure(tones(rate, {{2, -1, rate / 4.0}}, std::numbers::pi / 4), rate);
        EXPECT_NEAR(20 * std::log10(l.samplePeak()), -1 - 3.01, 0.01);
        ASSERT_TRUE(l.truePeakDbtp());
        EXPECT_NEAR(*l.truePeakDbtp(), -1.0, 0.2) << rate;
    }
    // Peaks in the last frames count too, and a peak of full scale is read as 0 dBTP.
    std::vector<float> tail(48000 * 2, 0.0f);
    tail[tail.size() - 3] = 1.0f;
    EXPECT_NEAR(*measure(tail, 48000).truePeakDbtp(), 0.0, 0.01);
}

#ifdef DECKMORA_HAVE_EBUR128
// Another measurer on the same signals: tones across the band (the weighting), a song with drums, the song's
// channels spread over 5.1 (surrounds weighed up, the low-frequency channel left out) and one of them alone.
TEST(Loudness, AgreesWithLibebur128) {
    beatsongs::Recipe r;
    r.seconds = 20;
    const std::vector<float> song = beatsongs::render(r);
    std::vector<float> surround, mono;
    for (size_t f = 0; f < song.size() / 2; ++f) {
        const float l = song[2 * f], r = song[2 * f + 1];
        surround.insert(surround.end(), {l, r, 0.5f * (l + r), l, 0.5f * l, 0.7f * r});
        mono.push_back(r);
    }
    const struct {
        int rate, channels;
        std::vector<float> signal;
    } cases[] = {
        {48000, 2, tones(48000, {{10, -20, 60}, {10, -25, 10000}, {10, -18, 500}})},
        {44100, 2, tones(44100, {{10, -12, 5000}, {3, -300}, {10, -30, 150}})},
        {44100, 2, song},
        {44100, 6, surround},
        {44100, 1, mono},
    };
    for (const auto& c : cases) {
        ebur128_state* st =
            ebur128_init(unsigned(c.channels), unsigned(c.rate), EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
        const size_t frames = c.signal.size() / size_t(c.channels);
        ebur128_add_frames_float(st, c.signal.data(), frames);
        double theirs = 0, peak = 0;
        ebur128_loudness_global(st, &theirs);
        for (int ch = 0; ch < c.channels; ++ch) {
            double p = 0;
            ebur128_true_peak(st, unsigned(ch), &p);
            peak = std::max(peak, p);
        }
        ebur128_destroy(&st);
        const Loudness ours = measure(c.signal, c.rate, c.channels);
        EXPECT_NEAR(*ours.integratedLufs(), theirs, 0.05) << c.channels << " channels";
        EXPECT_NEAR(*ours.truePeakDbtp(), 20 * std::log10(peak), 0.1) << c.channels << " channels";
    }
}
#endif

TEST(AudibleBounds, FindsTheSoundBetweenSilencesAndIgnoresClicks) {
    const int rate = 44100;
    const auto song = [](std::initializer_list<Part> parts) { return tones(rate, parts); };
    const struct {
        std::vector<float> signal;
        std::vector<size_t> clicks; // frames set to full scale in the left channel
        double start, end;          // seconds; start < 0: nothing audible
    } cases[] = {
        {song({{2, -300}, {3, -20}, {1.5, -300}}), {}, 2.0, 5.0},
        {song({{2, -300}, {3, -20}, {1.5, -300}}), {22050, 6 * rate}, 2.0, 5.0},
        {song({{3, -20}}), {}, 0.0, 3.0},
        {song({{0.5, -300}, {1.2345, -50}}), {}, 0.5, 1.7345},
        {song({{1, -300}, {0.03, -20}, {1, -300}}), {}, -1, -1},
        {song({{1, -300}, {2, -70}, {1, -300}}), {rate}, -1, -1},
        {{}, {}, -1, -1},
    };
    for (const auto& c : cases) {
        std::vector<float> s = c.signal;
        for (size_t f : c.clicks)
            s[2 * f] = 1.0f;
        AudibleBounds b(rate, 2);
        for (size_t f = 0; f < s.size() / 2; f += 1000)
            b.add(s.data() + 2 * f, int(std::min<size_t>(1000, s.size() / 2 - f)));
        b.finish();
        if (c.start < 0) {
            EXPECT_FALSE(b.startFrame());
            EXPECT_FALSE(b.endFrame());
            continue;
        }
        ASSERT_TRUE(b.startFrame() && b.endFrame());
        EXPECT_NEAR(double(*b.startFrame()) / rate, c.start, 0.001);
        EXPECT_NEAR(double(*b.endFrame()) / rate, c.end, 0.001);
    }
}

// A fade to nothing ends where its level (RMS) falls below -60 dBFS; one channel is enough.
TEST(AudibleBounds, AFadeEndsAtTheThreshold) {
    const int rate = 48000;
    std::vector<float> s(size_t(rate) * 4 * 2, 0.0f);
    for (size_t f = 0; f < size_t(rate) * 3; ++f) {
        const double gain = 0.1 * std::pow(10.0, -3.0 * double(f) / (3.0 * rate)); // -20 to -80 dB
        s[2 * f + 1] = float(gain * std::sin(2 * std::numbers::pi * 440 * double(f) / rate));
    }
    AudibleBounds b(rate, 2);
    b.add(s.data(), int(s.size() / 2));
    b.finish();
    ASSERT_TRUE(b.endFrame());
    EXPECT_NEAR(double(*b.endFrame()) / rate, 1.85, 0.015); // the sine's crests at -57 dB
    EXPECT_EQ(*b.startFrame(), 1);                          // the sine's first sample is 0
}

} // namespace
