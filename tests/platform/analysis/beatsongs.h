#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Songs with a known tempo and first beat, made in memory: a kick on every beat (or the broken pattern of
// slower styles), a clap on two and four, hats between the beats, a bass and a pad, and optionally a slow pad
// alone before the beat starts.
namespace beatsongs {

struct Recipe {
    double bpm = 128;
    double firstBeat = 0.25; // seconds; the pad plays alone before it when intro is set
    double seconds = 30;
    int rate = 44100;
    double swing = 0;         // 0 straight, 1 the hats on the beat's last third
    bool intro = false;       // a beatless pad before the first beat
    bool broken = false;      // kicks on one, the "and" of two and three, as hip hop and breaks have them
    bool offbeatBass = false; // the bass between the beats, as house has it
    bool claps = true;        // on two and four; techno often has none
    unsigned seed = 1;
    std::string name;
};

// Interleaved stereo frames.
std::vector<float> render(const Recipe& r);

// The set the tempo test and its figures run on: tempi from 70 to 180, several rates, swing, introductions,
// and breaks whose kicks keep half the beat.
std::vector<Recipe> testSet();

} // namespace beatsongs
