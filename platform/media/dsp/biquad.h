#pragma once

namespace platform::media::dsp {

// One second-order section in transposed direct form II, in double precision: a 250 Hz section at 48 kHz
// keeps its poles close to the unit circle, where single precision would colour a flat sum.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;

    // The bilinear transform of the usual analogue prototypes, warped to land on `hz` exactly, with quality
    // `q`. Sections made for the same corner and quality sum as their prototypes do.
    static Biquad lowPass(double hz, double q, double rate);
    static Biquad highPass(double hz, double q, double rate);
    static Biquad allPass(double hz, double q, double rate);

    // |H| at `hz`, for tests and for checking a design.
    double magnitude(double hz, double rate) const;
};

// The running state of one section on one channel.
struct BiquadState {
    double z1 = 0, z2 = 0;

    double run(const Biquad& c, double x) {
        const double y = c.b0 * x + z1;
        z1 = c.b1 * x - c.a1 * y + z2;
        z2 = c.b2 * x - c.a2 * y;
        return y;
    }
    void reset() { z1 = z2 = 0; }
};

// A left and a right sample in one vector register: the two channels go through each section side by side.
typedef double Stereo __attribute__((vector_size(16)));

// The running state of one section on both channels.
struct StereoBiquadState {
    Stereo z1{}, z2{};

    Stereo run(const Biquad& c, Stereo x) {
        const Stereo y = c.b0 * x + z1;
        z1 = c.b1 * x - c.a1 * y + z2;
        z2 = c.b2 * x - c.a2 * y;
        return y;
    }
    void reset() { z1 = z2 = Stereo{}; }
};

} // namespace platform::media::dsp
