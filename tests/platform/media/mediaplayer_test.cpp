// Transport, positions, ends, mixing and levels, driven through the offline output.
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "tempdir.h"

using namespace platform::media;
using songfiles::Kind;

namespace {

constexpr int kRate = 44100;

std::vector<float> render(AudioEngine& engine, int frames) {
    std::vector<float> out(size_t(2 * frames), -7.0f);
    engine.render(out.data(), frames);
    return out;
}

int deliver(QSignalSpy& spy) {
    QCoreApplication::processEvents();
    return int(spy.count());
}

class MediaPlayerTest : public ::testing::Test {
protected:
    QString song(const QString& name, int frames, Kind kind = Kind::WavFloat, int rate = kRate,
                 int channels = 2) {
        const QString path = dir.file(name);
        EXPECT_TRUE(songfiles::write(path, kind, rate, channels, songfiles::saw(frames, channels)));
        return path;
    }
    QString steady(const QString& name, int frames, float value) {
        const QString path = dir.file(name);
        EXPECT_TRUE(songfiles::write(path, Kind::WavFloat, kRate, 2, songfiles::constant(frames, 2, value)));
        return path;
    }

    TempDir dir;
    std::unique_ptr<AudioEngine> engine = AudioEngine::createOffline(kRate);
    MediaPlayer mp{*engine, nullptr};
    QSignalSpy spy{&mp, &MediaPlayer::ended};
};

TEST_F(MediaPlayerTest, OpensStoppedAtZeroAndPlaysTheFileFrameForFrame) {
    EXPECT_EQ(mp.level(), 0);
    ASSERT_FALSE(mp.open(song("a.wav", kRate)));
    EXPECT_EQ(mp.state(), PlayState::Stopped);
    EXPECT_DOUBLE_EQ(mp.position(), 0.0);
    EXPECT_DOUBLE_EQ(mp.length(), 1.0);

    // A freshly opened file does not start by itself.
    const auto silent = render(*engine, 1000);
    EXPECT_TRUE(std::all_of(silent.begin(), silent.end(), [](float s) { return s == 0.0f; }));
    EXPECT_DOUBLE_EQ(mp.position(), 0.0);

    ASSERT_FALSE(mp.play());
    const auto out = render(*engine, 3000);
    EXPECT_EQ(out, std::vector<float>(songfiles::saw(3000, 2)));
    EXPECT_DOUBLE_EQ(mp.position(), 3000.0 / kRate);
}

TEST_F(MediaPlayerTest, PauseKeepsThePositionAndPlayResumesFromIt) {
    ASSERT_FALSE(mp.open(song("a.wav", kRate)));
    mp.play();
    render(*engine, 22050);
    EXPECT_DOUBLE_EQ(mp.position(), 0.5);

    ASSERT_FALSE(mp.pause());
    EXPECT_EQ(mp.state(), PlayState::Paused);
    const auto paused = render(*engine, 4410);
    EXPECT_TRUE(std::all_of(paused.begin(), paused.end(), [](float s) { return s == 0.0f; }));
    EXPECT_DOUBLE_EQ(mp.position(), 0.5);

    mp.play();
    const auto resumed = render(*engine, 10);
    const auto expected = songfiles::saw(22060, 2);
    EXPECT_EQ(resumed, std::vector<float>(expected.end() - 20, expected.end()));
    EXPECT_DOUBLE_EQ(mp.position(), 22060.0 / kRate);
}

TEST_F(MediaPlayerTest, StopRewindsAndPlayThenStartsAtZero) {
    ASSERT_FALSE(mp.open(song("a.wav", kRate)));
    mp.play();
    render(*engine, 5000);
    ASSERT_FALSE(mp.stop());
    EXPECT_EQ(mp.state(), PlayState::Stopped);
    EXPECT_DOUBLE_EQ(mp.position(), 0.0);
    mp.play();
    EXPECT_EQ(render(*engine, 100), std::vector<float>(songfiles::saw(100, 2)));
}

TEST_F(MediaPlayerTest, SeeksInEveryStateAndClampsToTheSong) {
    ASSERT_FALSE(mp.open(song("a.wav", 2 * kRate)));
    const auto whole = songfiles::saw(2 * kRate, 2);
    struct Case {
        const char* name;
        PlayState state;
        double target;
        double expected;
    };
    const Case cases[] = {
        {"stopped", PlayState::Stopped, 1.0, 1.0},
        {"paused", PlayState::Paused, 0.25, 0.25},
        {"playing", PlayState::Playing, 1.5, 1.5},
        {"before the start", PlayState::Playing, -3.0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mp.stop();
        if (c.state != PlayState::Stopped) {
            mp.play();
            render(*engine, 700);
        }
        if (c.state == PlayState::Paused)
            mp.pause();
        ASSERT_FALSE(mp.setPosition(c.target));
        EXPECT_EQ(mp.state(), c.state);
        EXPECT_DOUBLE_EQ(mp.position(), c.expected);
        if (c.state != PlayState::Playing)
            mp.play();
        // Sample-exact: what follows a seek is what straight decoding reaches at that frame.
        const auto out = render(*engine, 64);
        const size_t from = size_t(std::llround(c.expected * kRate)) * 2;
        EXPECT_EQ(out, std::vector<float>(whole.begin() + long(from), whole.begin() + long(from) + 128));
    }
}

TEST_F(MediaPlayerTest, EndIsNotifiedOncePerEndAndLeavesTheDeckStopped) {
    ASSERT_FALSE(mp.open(song("a.wav", 10000)));
    mp.play();
    render(*engine, 9000);
    EXPECT_EQ(deliver(spy), 0);
    const auto tail = render(*engine, 2000);
    // Delivered on the UI thread's event processing, not from inside render().
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(deliver(spy), 1);
    EXPECT_EQ(spy.at(0).at(0).toInt(), 0);
    EXPECT_EQ(mp.state(), PlayState::Stopped);
    EXPECT_DOUBLE_EQ(mp.position(), 10000.0 / kRate);
    EXPECT_TRUE(std::all_of(tail.begin() + 2000, tail.end(), [](float s) { return s == 0.0f; }));

    render(*engine, 5000);
    EXPECT_EQ(deliver(spy), 1);

    // Played to its end, the song starts again from its beginning, and ends again.
    mp.play();
    EXPECT_EQ(render(*engine, 50), std::vector<float>(songfiles::saw(50, 2)));
    render(*engine, 10000);
    EXPECT_EQ(deliver(spy), 2);
}

TEST_F(MediaPlayerTest, NoEndAfterAStop) {
    ASSERT_FALSE(mp.open(song("a.wav", 10000)));
    mp.play();
    render(*engine, 5000);
    mp.stop();
    render(*engine, 20000);
    EXPECT_EQ(deliver(spy), 0);

    // An end that the UI has not heard of when the user stops is dropped with the stop.
    mp.play();
    render(*engine, 12000);
    mp.stop();
    EXPECT_EQ(deliver(spy), 0);
}

TEST_F(MediaPlayerTest, AnEndHandlerCanLoadAndPlayTheNextSong) {
    const QString first = song("first.wav", 3000), second = song("second.wav", 5000);
    int ends = 0;
    QObject::connect(&mp, &MediaPlayer::ended, [&] {
        ++ends;
        if (mp.fileName() == first) {
            EXPECT_FALSE(mp.open(second));
            EXPECT_FALSE(mp.play());
        }
    });
    ASSERT_FALSE(mp.open(first));
    mp.play();
    render(*engine, 4000);
    QCoreApplication::processEvents();
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(mp.state(), PlayState::Playing);
    EXPECT_EQ(render(*engine, 5000), songfiles::saw(5000, 2));
    QCoreApplication::processEvents();
    EXPECT_EQ(ends, 2);

    // Loading a song drops an end of the previous one that the UI has not heard of yet.
    mp.play();
    render(*engine, 6000);
    ASSERT_FALSE(mp.open(first));
    QCoreApplication::processEvents();
    EXPECT_EQ(ends, 2);
}

TEST_F(MediaPlayerTest, SeekPastTheEndEndsTheSong) {
    ASSERT_FALSE(mp.open(song("a.wav", 10000)));
    mp.play();
    render(*engine, 100);
    mp.setPosition(99.0);
    EXPECT_DOUBLE_EQ(mp.position(), mp.length());
    render(*engine, 512);
    EXPECT_EQ(deliver(spy), 1);
    EXPECT_EQ(mp.state(), PlayState::Stopped);
}

TEST_F(MediaPlayerTest, OperationsWithoutMediaReportAnErrorToSkip) {
    EXPECT_FALSE(mp.hasMedia());
    EXPECT_EQ(mp.state(), PlayState::NoMedia);
    for (const MediaError& e : {mp.play(), mp.pause(), mp.stop(), mp.setPosition(3.0)}) {
        EXPECT_EQ(e.kind, MediaError::Kind::NoMedia);
        EXPECT_FALSE(e.message.isEmpty());
    }
    EXPECT_EQ(mp.length(), 0.0);
    EXPECT_EQ(mp.position(), 0.0);
    mp.setLevel(-2000);
    EXPECT_EQ(mp.level(), -2000);
}

TEST(LevelLaw, GainFallsLinearlyToSilenceAtMinus9000) {
    const std::pair<int, float> table[] = {{0, 1.0f},     {-4500, 0.5f},  {-900, 0.9f}, {-9000, 0.0f},
                                           {-9640, 0.0f}, {-20000, 0.0f}, {500, 1.0f},  {INT32_MIN, 0.0f}};
    for (auto [level, gain] : table)
        EXPECT_FLOAT_EQ(gainForLevel(level), gain) << level;
}

TEST_F(MediaPlayerTest, TwoDecksMixWithTheirLevelsGains) {
    MediaPlayer a(*engine, nullptr), b(*engine, nullptr);
    ASSERT_FALSE(a.open(steady("a.wav", kRate, 0.5f)));
    ASSERT_FALSE(b.open(steady("b.wav", kRate, 0.25f)));
    struct Case {
        int levelA, levelB;
        float expected;
    };
    const Case cases[] = {
        {0, 0, 0.75f},          {-9000, 0, 0.25f},    {0, -9000, 0.5f},
        {-4500, -4500, 0.375f}, {-9640, -9640, 0.0f}, {-2250, -6750, 0.4375f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.levelA << " " << c.levelB);
        a.stop();
        b.stop();
        a.setLevel(c.levelA);
        b.setLevel(c.levelB);
        a.play();
        b.play();
        const auto out = render(*engine, 256);
        for (float s : out)
            ASSERT_FLOAT_EQ(s, c.expected);
    }
}

TEST_F(MediaPlayerTest, LevelChangesRampWithoutAStep) {
    ASSERT_FALSE(mp.open(steady("a.wav", kRate, 0.8f)));
    mp.play();
    render(*engine, 300);
    mp.setLevel(-9000);
    const auto out = render(*engine, 1000);
    // Every frame moves by at most the ramp's step (5 ms), none jumps, and the ramp lands on silence.
    const float step = 0.8f / (0.005f * kRate);
    float previous = 0.8f;
    for (size_t i = 0; i < out.size(); i += 2) {
        ASSERT_LE(std::abs(out[i] - previous), step * 1.01f) << i / 2;
        previous = out[i];
    }
    EXPECT_GT(out[0], 0.79f);
    EXPECT_EQ(out.back(), 0.0f);

    mp.setLevel(0);
    const auto back = render(*engine, 1000);
    EXPECT_LT(back[0], 0.01f);
    EXPECT_FLOAT_EQ(back.back(), 0.8f);
}

TEST_F(MediaPlayerTest, ClampsTheMixAndTheSamples) {
    MediaPlayer a(*engine, nullptr), b(*engine, nullptr);
    const QString loud = dir.file("loud.wav");
    ASSERT_TRUE(songfiles::write(loud, Kind::WavFloat, kRate, 2, songfiles::constant(1000, 2, 40.0f)));
    ASSERT_FALSE(a.open(loud));
    ASSERT_FALSE(b.open(steady("b.wav", 1000, -0.75f)));
    a.play();
    EXPECT_EQ(render(*engine, 10), std::vector<float>(20, 1.0f));
    b.play();
    EXPECT_EQ(render(*engine, 10), std::vector<float>(20, 0.25f));
}

TEST_F(MediaPlayerTest, OtherRatesAndMonoPlayAtTheRightSpeed) {
    struct Case {
        int rate, channels;
    };
    for (const Case& c : {Case{22050, 1}, Case{48000, 2}, Case{22050, 2}, Case{8000, 1}}) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, " << c.channels << " channels");
        spy.clear(); // one player for every song, each opened after the last one ended
        const QString path = dir.file(QStringLiteral("r%1c%2.wav").arg(c.rate).arg(c.channels));
        ASSERT_TRUE(songfiles::write(path, Kind::Wav16, c.rate, c.channels,
                                     songfiles::sine(c.rate, c.channels, c.rate)));
        ASSERT_FALSE(mp.open(path));
        EXPECT_DOUBLE_EQ(mp.length(), 1.0);
        mp.play();
        const auto out = render(*engine, 39690); // 0.9 s
        EXPECT_NEAR(mp.position(), 0.9, 0.001);
        EXPECT_EQ(deliver(spy), 0);
        // A 440 Hz tone stays a 440 Hz tone: count rising zero crossings over 0.8 s after the converter
        // settles.
        int crossings = 0;
        for (size_t i = 2 * 4410; i + 2 < out.size(); i += 2)
            crossings += out[i] < 0 && out[i + 2] >= 0;
        EXPECT_NEAR(crossings, 352, 2);
        for (size_t i = 0; i < out.size(); i += 2)
            ASSERT_EQ(out[i], out[i + 1]);
        render(*engine, 6000);
        EXPECT_EQ(deliver(spy), 1);
    }
}

TEST_F(MediaPlayerTest, ASongDeletedWhilePlayingPlaysToItsEnd) {
    const QString path = song("gone.wav", 30000);
    ASSERT_FALSE(mp.open(path));
    mp.play();
    render(*engine, 1000);
    ASSERT_TRUE(QFile::remove(path));
    const auto out = render(*engine, 29000);
    const auto expected = songfiles::saw(30000, 2);
    EXPECT_EQ(out, std::vector<float>(expected.begin() + 2000, expected.end()));
    render(*engine, 100);
    EXPECT_EQ(deliver(spy), 1);
}

TEST_F(MediaPlayerTest, AWavNamedMp3PlaysAsWav) {
    const QString path = dir.file("actually-a-wave.mp3");
    ASSERT_TRUE(songfiles::write(path, Kind::WavFloat, kRate, 2, songfiles::saw(4000, 2)));
    ASSERT_FALSE(mp.open(path));
    mp.play();
    EXPECT_EQ(render(*engine, 4000), songfiles::saw(4000, 2));
}

// The face says the state and the times: a change of either changes the picture, and the same state and times
// give the same picture on another player.
TEST_F(MediaPlayerTest, FaceShowsStateAndTimes) {
    MediaPlayer twin(*engine, nullptr);
    mp.resize(49, 33);
    twin.resize(49, 33);
    const auto face = [](MediaPlayer& p) { return p.grab().toImage(); };
    std::vector<QImage> faces = {face(mp)}; // no song, 0:00/0:00
    const QString path = song("a.wav", 3 * kRate);
    ASSERT_FALSE(mp.open(path));
    faces.push_back(face(mp)); // stopped, 0:00/0:03
    mp.play();
    faces.push_back(face(mp)); // playing, 0:00/0:03
    render(*engine, 3 * kRate / 2);
    faces.push_back(face(mp)); // playing, 0:01/0:03
    mp.pause();
    faces.push_back(face(mp)); // paused, 0:01/0:03
    for (size_t i = 0; i < faces.size(); ++i)
        for (size_t j = i + 1; j < faces.size(); ++j)
            EXPECT_NE(faces[i], faces[j]) << i << " " << j;
    ASSERT_FALSE(twin.open(path));
    EXPECT_EQ(face(twin), faces[1]);
}

} // namespace

// A song converted to the device's rate comes out on time: its samples are the song's own tone at the
// device's instants, from the start and after a seek (a converter's filter delay would shift both), and it
// ends once with the frames its length gives.
TEST_F(MediaPlayerTest, ConvertedSongsKeepTheirTime) {
    constexpr int kSong = 22050;
    const QString path = dir.file(QStringLiteral("t.wav"));
    ASSERT_TRUE(songfiles::write(path, Kind::WavFloat, kSong, 1, songfiles::sine(2 * kSong, 1, kSong, 1000)));
    ASSERT_FALSE(mp.open(path));
    for (const double start : {0.0, 0.7}) {
        SCOPED_TRACE(start);
        ASSERT_FALSE(mp.setPosition(start));
        mp.play();
        const auto out = render(*engine, kRate / 2);
        float worst = 0;
        for (int f = kRate / 10; f < kRate / 2; ++f) // past the start's fade-in
            worst = std::max(
                worst,
                std::abs(out[2 * f] - 0.5f * float(std::sin(2 * M_PI * 1000 * (start + double(f) / kRate)))));
        EXPECT_LT(worst, 1e-3f);
        mp.pause();
    }
    mp.play();
    const auto tail = render(*engine, kRate);
    const auto last = std::find_if(tail.rbegin(), tail.rend(), [](float s) { return s != 0.0f; });
    EXPECT_NEAR(double(tail.rend() - last) / 2, 0.8 * kRate, 24); // 2 s less the 1.2 s played
    EXPECT_EQ(deliver(spy), 1);
}
