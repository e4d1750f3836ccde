// Tempo and key lock through the offline engine: the pitch follows the tempo or stays, the position runs at
// the tempo and names what is heard, a new tempo is heard at once, no change clicks, and a deck back at its
// own speed plays the plain path bit for bit.
#include <functional>
#include <gtest/gtest.h>
#include <random>

#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "tempdir.h"
#include "tones.h"

using namespace platform::media;

namespace {

constexpr int kRate = 48000;
constexpr int kBlock = 480; // 10 ms

enum class Lock { Off, Light, Fine };
const char* name(Lock l) {
    return l == Lock::Off ? "key lock off" : l == Lock::Light ? "light" : "fine";
}

// The frequency of the left channel over frames [from, from + count), from its rising zero crossings.
double frequency(const std::vector<float>& v, int from, int count) {
    double first = -1, last = -1;
    int n = 0;
    for (int i = from + 1; i < from + count; ++i) {
        const float a = v[2 * size_t(i - 1)], b = v[2 * size_t(i)];
        if (a < 0 && b >= 0) {
            const double t = i - 1 + a / (a - b);
            if (first < 0)
                first = t;
            last = t;
            ++n;
        }
    }
    return n < 2 ? 0 : (n - 1) * kRate / (last - first);
}

double cents(double hz, double expected) {
    return 1200 * std::log2(hz / expected);
}

struct Deck {
    explicit Deck(const QString& song, Lock lock = Lock::Off, double tempo = 1.0) {
        EXPECT_FALSE(mp->open(song));
        set(lock);
        mp->setTempo(tempo);
        mp->play();
    }
    void set(Lock lock) {
        mp->setKeyLock(lock != Lock::Off);
        engine->setKeyLockEngine(lock == Lock::Fine ? AudioEngine::KeyLockEngine::Fine
                                                    : AudioEngine::KeyLockEngine::Light);
    }
    // `frames` more frames, appended to `heard`.
    void render(int frames) {
        const size_t at = heard.size();
        heard.resize(at + 2 * size_t(frames));
        engine->render(heard.data() + at, frames);
    }
    int frames() const { return int(heard.size() / 2); }
    std::unique_ptr<AudioEngine> engine = AudioEngine::createOffline(kRate);
    std::unique_ptr<MediaPlayer> mp = std::make_unique<MediaPlayer>(*engine, nullptr);
    std::vector<float> heard;
};

class Tempo : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(songfiles::write(sine, songfiles::Kind::WavFloat, kRate, 2,
                                     songfiles::sine(8 * kRate, 2, kRate, 440.0, 0.5f)));
    }
    TempDir dir;
    QString sine = dir.file("sine.wav");
};

TEST_F(Tempo, PitchFollowsTheTempoOnlyWithoutKeyLock) {
    const struct {
        Lock lock;
        double hz;
    } cases[] = {{Lock::Off, 440 * 1.08}, {Lock::Light, 440}, {Lock::Fine, 440}};
    for (const auto& c : cases) {
        SCOPED_TRACE(name(c.lock));
        Deck d(sine, c.lock, 1.08);
        d.render(2 * kRate);
        EXPECT_NEAR(cents(frequency(d.heard, kRate / 2, kRate), c.hz), 0.0, 5.0);
        // The song is heard at its level, not thinned by the stretcher.
        EXPECT_NEAR(tones::amplitude(d.heard, kRate, c.hz, kRate, kRate / 5 * 5) / 0.5, 1.0, 0.1);
    }
}

// A tone burst at 1 s of the song: when it is heard (at half its level, as a stretcher smears an attack),
// position() says 1 s, whatever the stretcher holds; and the position runs at the tempo.
TEST_F(Tempo, PositionNamesWhatIsHeardAndRunsAtTheTempo) {
    std::vector<float> burst(2 * size_t(3 * kRate), 0.0f);
    const std::vector<float> tone = songfiles::sine(kRate, 2, kRate, 440.0, 0.5f);
    std::copy(tone.begin(), tone.end(), burst.begin() + 2 * kRate);
    const QString song = dir.file("burst.wav");
    ASSERT_TRUE(songfiles::write(song, songfiles::Kind::WavFloat, kRate, 2, burst));
    for (Lock lock : {Lock::Off, Lock::Light, Lock::Fine})
        for (double tempo : {0.9, 1.08}) {
            SCOPED_TRACE(std::string(name(lock)) + " at " + std::to_string(tempo));
            Deck d(song, lock, tempo);
            std::vector<double> positions;
            while (d.frames() < int(1.5 * kRate / tempo)) {
                d.render(kBlock);
                positions.push_back(d.mp->position());
            }
            int onset = 0;
            while (onset < d.frames() && std::fabs(d.heard[2 * size_t(onset)]) < 0.25f)
                ++onset;
            ASSERT_LT(onset, d.frames());
            const int block = onset / kBlock;
            const double atOnset =
                positions[size_t(block)] - double((block + 1) * kBlock - onset) * tempo / kRate;
            // SoundTouch splices whole sequences of tens of milliseconds: an onset lands anywhere in one.
            EXPECT_NEAR(atOnset, 1.0, lock == Lock::Light ? 0.015 : lock == Lock::Fine ? 0.005 : 0.001);
            const size_t last = positions.size() - 1, first = last - 50;
            EXPECT_NEAR((positions[last] - positions[first]) / (50.0 * kBlock / kRate), tempo, 0.01);
        }
}

TEST_F(Tempo, ANewTempoIsHeardWithin50Ms) {
    Deck d(sine);
    d.render(kRate / 2);
    d.mp->setTempo(1.08);
    const int step = d.frames();
    d.render(kRate / 5);
    // The 50 ms after the first 50: the new pitch, to a quarter of its distance from the old.
    EXPECT_NEAR(cents(frequency(d.heard, step + kRate / 20, kRate / 20), 440 * 1.08), 0.0, 133 / 4.0);
}

// Every change while a loud sine plays: no frame moves further than the steady tone does, plus a full-scale
// change spread over the 4 ms dip a change of stretcher makes.
TEST_F(Tempo, ChangesWhilePlayingDoNotClick) {
    using Step = std::function<void(Deck&)>;
    const struct {
        const char* what;
        Lock lock;
        double tempo;
        Step step;
    } cases[] = {
        {"tempo up", Lock::Off, 1.0, [](Deck& d) { d.mp->setTempo(1.08); }},
        {"tempo down", Lock::Off, 1.08, [](Deck& d) { d.mp->setTempo(0.8); }},
        {"tempo back to 1", Lock::Off, 1.08, [](Deck& d) { d.mp->setTempo(1.0); }},
        {"light tempo up", Lock::Light, 1.0, [](Deck& d) { d.mp->setTempo(1.08); }},
        {"fine tempo up", Lock::Fine, 1.0, [](Deck& d) { d.mp->setTempo(1.08); }},
        {"key lock on", Lock::Off, 1.08, [](Deck& d) { d.set(Lock::Light); }},
        {"key lock off", Lock::Light, 1.08, [](Deck& d) { d.set(Lock::Off); }},
        {"key lock on at 1", Lock::Off, 1.0, [](Deck& d) { d.set(Lock::Fine); }},
        {"light to fine", Lock::Light, 1.08, [](Deck& d) { d.set(Lock::Fine); }},
        {"fine to light", Lock::Fine, 1.08, [](Deck& d) { d.set(Lock::Light); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Deck d(sine, c.lock, c.tempo);
        d.render(kRate / 2);
        c.step(d);
        const int at = d.frames();
        d.render(kRate / 2);
        const float steady = std::max(tones::largestStep(d.heard, at - kRate / 4, at),
                                      tones::largestStep(d.heard, at + kRate / 4, d.frames()));
        EXPECT_LE(tones::largestStep(d.heard, at - kRate / 4, d.frames()),
                  steady * 1.05f + 0.5f / (kRate * 0.004f));
    }
}

// A deck sped up and brought back to its own speed plays the song's frames themselves again, a whole frame
// apart from each other.
TEST_F(Tempo, BackAtItsOwnSpeedADeckPlaysThePlainPath) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.5f, 0.5f);
    std::vector<float> samples(2 * size_t(4 * kRate));
    for (float& s : samples)
        s = noise(random);
    const QString song = dir.file("noise.wav");
    ASSERT_TRUE(songfiles::write(song, songfiles::Kind::WavFloat, kRate, 2, samples));
    for (Lock lock : {Lock::Off, Lock::Light}) {
        SCOPED_TRACE(name(lock));
        Deck d(song, lock, 1.08);
        d.render(kRate / 2);
        d.set(Lock::Off);
        d.mp->setTempo(1.0);
        d.render(kRate / 10);
        const int from = d.frames();
        d.render(kRate / 10);
        const auto start = std::find(samples.begin(), samples.end(), d.heard[2 * size_t(from)]);
        ASSERT_NE(start, samples.end());
        const std::vector<float> plain(start, start + 2 * (d.frames() - from));
        EXPECT_TRUE(std::equal(plain.begin(), plain.end(), d.heard.begin() + 2 * from));
    }
}

} // namespace
