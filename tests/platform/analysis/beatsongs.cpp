#include "beatsongs.h"

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <utility>

namespace beatsongs {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// One instrument's sound, made once and laid down at every hit.
template <class Voice> std::vector<float> sound(int rate, double length, Voice voice) {
    std::vector<float> s(size_t(length * rate));
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = float(voice(double(i) / rate));
    return s;
}

struct Mix {
    std::vector<float>& out;
    int rate;
    // Lays `s` down from `at` seconds, panned (-1 left, 1 right).
    void add(const std::vector<float>& s, double at, double pan) {
        const size_t frames = out.size() / 2, start = size_t(std::ceil(at * rate));
        const float left = float(1 - pan) * 0.7f, right = float(1 + pan) * 0.7f;
        for (size_t i = 0; i < s.size() && start + i < frames; ++i) {
            out[(start + i) * 2] += s[i] * left;
            out[(start + i) * 2 + 1] += s[i] * right;
        }
    }
};

} // namespace

std::vector<float> render(const Recipe& r) {
    std::vector<float> out(size_t(r.seconds * r.rate) * 2, 0.0f);
    Mix mix{out, r.rate};
    std::mt19937 random(r.seed);
    std::uniform_real_distribution<double> noise(-1, 1);
    const double beat = 60 / r.bpm;
    const double roots[] = {55, 49, 65.4, 58.3, 43.7, 51.9};
    const int rate = r.rate;

    // A kick: the beater's click, then a falling tone.
    const auto kickOf = [&](double level) {
        return sound(rate, 0.3, [&, level](double t) {
            const double phase = kTwoPi * (45 * t + 75 * 0.04 * (1 - std::exp(-t / 0.04)));
            return level *
                   (std::exp(-t / 0.12) * std::sin(phase) + 0.3 * std::exp(-t / 0.002) * noise(random));
        });
    };
    const std::vector<float> kick = kickOf(0.7), ghostKick = kickOf(0.5);
    const std::vector<float> clap = sound(rate, 0.2, [&](double t) {
        return 0.3 * std::exp(-t / 0.06) * (noise(random) + std::sin(kTwoPi * 190 * t));
    });
    double last = 0;
    const std::vector<float> hat = sound(rate, 0.05, [&](double t) {
        const double x = noise(random), v = x - last;
        last = x;
        return 0.12 * std::exp(-t / 0.015) * v;
    });
    std::vector<std::vector<float>> pads, basses;
    for (double root : roots) {
        // A chord two bars long, slow to rise; a bass note short enough to leave the beat to the kick.
        std::complex<double> tone[3] = {1, 1, 1}, step[3];
        for (int i = 0; i < 3; ++i)
            step[i] = std::polar(1.0, kTwoPi * root * 4 * (1.0 + 0.25 * i) / rate);
        pads.push_back(sound(rate, 8 * beat, [&tone, &step, beat](double t) {
            const double env = std::min(1.0, t / 1.5) * std::min(1.0, (8 * beat - t) / 0.5);
            double sum = 0;
            for (int i = 0; i < 3; ++i) {
                sum += tone[i].imag();
                tone[i] *= step[i];
            }
            return 0.05 * env * sum;
        }));
        basses.push_back(sound(rate, 0.8 * beat, [root, beat](double t) {
            const double env = std::min(1.0, t / 0.01) * std::min(1.0, (beat * 0.8 - t) / 0.02);
            return 0.15 * env * std::sin(kTwoPi * root * 2 * t);
        }));
    }

    const double padFrom = r.intro ? 0 : r.firstBeat;
    for (int bar = 0; padFrom + bar * 8 * beat < r.seconds; ++bar)
        mix.add(pads[(bar + r.seed) % 6], padFrom + bar * 8 * beat, 0);
    for (int k = 0; r.firstBeat + k * beat < r.seconds; ++k) {
        const double at = r.firstBeat + k * beat;
        const int inBar = k % 4;
        if (!r.broken || inBar == 0 || inBar == 2)
            mix.add(kick, at, 0);
        if (r.broken && inBar == 1)
            mix.add(ghostKick, at + beat / 2, 0);
        if (r.claps && (inBar == 1 || inBar == 3))
            mix.add(clap, at, 0.2);
        // Hats between the beats, pushed late by the swing.
        mix.add(hat, at + beat * (0.5 + r.swing / 6), -0.3);
        if (r.offbeatBass)
            mix.add(basses[(k / 8 + r.seed) % 6], at + beat / 2, 0);
        else
            mix.add(basses[(k / 8 + r.seed) % 6], at + 0.01, 0);
    }
    return out;
}

std::vector<Recipe> testSet() {
    std::vector<Recipe> set;
    const double tempi[] = {70,  74.5, 80,  86,    90,  95.5, 100, 105, 110, 115, 118,
                            120, 122,  124, 125.5, 126, 128,  130, 132, 135, 138, 140,
                            143, 145,  150, 155,   160, 165,  170, 174, 175, 180};
    const int rates[] = {44100, 48000, 22050, 44100};
    unsigned seed = 1;
    for (double bpm : tempi) {
        Recipe r;
        r.bpm = bpm;
        r.rate = rates[seed % 4];
        r.firstBeat = 0.05 + 0.173 * (seed % 5);
        r.seed = seed++;
        r.broken = bpm < 100 && seed % 2 == 0;
        r.name = std::to_string(bpm).substr(0, 5) + (r.broken ? " broken" : "");
        set.push_back(r);
    }
    for (double bpm : {98.0, 124.0, 140.0}) {
        Recipe r;
        r.bpm = bpm;
        r.swing = 1;
        r.seed = seed++;
        r.name = std::to_string(int(bpm)) + " swing";
        set.push_back(r);
    }
    // The bass between the beats: as loud a pulse as the kicks' in the low band, but not the beat.
    for (double bpm : {72.0, 84.0, 90.0, 128.0}) {
        Recipe r;
        r.bpm = bpm;
        r.offbeatBass = true;
        r.broken = bpm == 84;
        r.swing = bpm == 90 ? 0.6 : 0;
        r.rate = bpm == 72 ? 48000 : 44100;
        r.seed = seed++;
        r.name = std::to_string(int(bpm)) + " offbeat bass";
        set.push_back(r);
    }
    for (double bpm : {85.0, 126.0, 174.0}) {
        Recipe r;
        r.bpm = bpm;
        r.intro = true;
        r.firstBeat = 12.3;
        r.seconds = 45;
        r.seed = seed++;
        r.name = std::to_string(int(bpm)) + " intro";
        set.push_back(r);
    }
    // Breaks at drum-and-bass tempi: the kicks keep half the beat and the claps, between them, the other
    // half.
    const std::pair<double, int> breaks[] = {{140, 44100}, {150, 44100}, {160, 48000},
                                             {165, 44100}, {172, 22050}, {178, 44100}};
    for (const auto& [bpm, rate] : breaks) {
        Recipe r;
        r.bpm = bpm;
        r.broken = true;
        r.offbeatBass = true;
        r.rate = rate;
        r.seed = unsigned(bpm);
        r.name = std::to_string(int(bpm)) + " half-time";
        set.push_back(r);
    }
    // Kicks, hats and a bass without claps: the kicks alone tell the beat from its half.
    for (double bpm : {136.0, 150.0, 172.0}) {
        Recipe r;
        r.bpm = bpm;
        r.claps = false;
        r.offbeatBass = bpm == 136;
        r.rate = bpm == 150 ? 48000 : 44100;
        r.seed = seed++;
        r.name = std::to_string(int(bpm)) + " no claps";
        set.push_back(r);
    }
    // The same pattern slow, with the bass between the beats: its claps are on the beats.
    for (double bpm : {76.0, 88.0}) {
        Recipe r;
        r.bpm = bpm;
        r.broken = true;
        r.offbeatBass = true;
        r.swing = bpm == 88 ? 0.5 : 0;
        r.seed = seed++;
        r.name = std::to_string(int(bpm)) + " broken, bass off";
        set.push_back(r);
    }
    return set;
}

} // namespace beatsongs
