// MP3 through libmpg123: exact lengths, real ends, damaged files, sample-exact seeks.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
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
constexpr int kMp3Frame = 1152;

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Takes the Xing/Info header frame out of an MP3: the length and the seek index then come from a scan.
void stripHeaderFrame(const QString& path) {
    QByteArray bytes = readAll(path);
    const auto first = songfiles::firstFrame(bytes);
    ASSERT_TRUE(first.isInfo);
    writeAll(path, bytes.remove(int(first.offset), first.length));
}

// Plays the song from where it stands until its end; returns the frames rendered, or -1 if it did not end.
int playToEnd(AudioEngine& engine, MediaPlayer& mp, int limit, float* loudest = nullptr) {
    QSignalSpy spy(&mp, &MediaPlayer::ended);
    std::vector<float> buffer(2 * 512);
    for (int done = 0; done < limit; done += 512) {
        engine.render(buffer.data(), 512);
        for (float s : buffer)
            if (loudest)
                *loudest = std::max(*loudest, std::abs(s));
        QCoreApplication::processEvents();
        if (spy.count() > 0)
            return spy.count() == 1 ? done + 512 : -2;
    }
    return -1;
}

class Mp3Test : public ::testing::Test {
protected:
    QString mp3(const QString& name, double seconds, Kind kind = Kind::Mp3Cbr, int rate = kRate,
                int channels = 2) {
        const QString path = dir.file(name);
        const int frames = int(seconds * rate);
        EXPECT_TRUE(songfiles::write(path, kind, rate, channels, songfiles::sine(frames, channels, rate)));
        return path;
    }
    TempDir dir;
    std::unique_ptr<AudioEngine> engine = AudioEngine::createOffline(kRate);
    MediaPlayer mp{*engine, nullptr};
};

TEST_F(Mp3Test, LengthMatchesTheFramesWrittenAndTheSongPlaysToIt) {
    struct Case {
        Kind kind;
        int rate, channels;
    };
    for (const Case& c : {Case{Kind::Mp3Cbr, 44100, 2}, Case{Kind::Mp3Vbr, 44100, 2},
                          Case{Kind::Mp3Cbr, 48000, 1}, Case{Kind::Mp3Vbr, 22050, 2}}) {
        SCOPED_TRACE(testing::Message() << int(c.kind) << " " << c.rate << " " << c.channels);
        MediaPlayer mp(*engine, nullptr);
        ASSERT_FALSE(mp.open(mp3("song.mp3", 2.0, c.kind, c.rate, c.channels)));
        EXPECT_NEAR(mp.length() * c.rate, 2.0 * c.rate, kMp3Frame);
        mp.play();
        const int played = playToEnd(*engine, mp, 4 * kRate);
        EXPECT_NEAR(played, 2.0 * kRate, kMp3Frame + 512);
        EXPECT_NEAR(mp.position(), mp.length(), 0.001);
    }
}

TEST_F(Mp3Test, WithoutItsHeaderFrameAVbrOrCbrSongPlaysToItsRealEnd) {
    for (Kind kind : {Kind::Mp3Cbr, Kind::Mp3Vbr}) {
        SCOPED_TRACE(int(kind));
        const QString path = mp3("bare.mp3", 3.0, kind);
        stripHeaderFrame(path);

        MediaPlayer mp(*engine, nullptr);
        ASSERT_FALSE(mp.open(path));
        // Without the header the encoder's delay and padding stay in: up to two frames more.
        EXPECT_NEAR(mp.length(), 3.0, 3.0 * kMp3Frame / kRate);
        mp.play();
        const int played = playToEnd(*engine, mp, 5 * kRate);
        EXPECT_NEAR(played, 3.0 * kRate, 3 * kMp3Frame);
    }
}

TEST_F(Mp3Test, ATruncatedSongPlaysWhatIsThereAndEnds) {
    const QString path = mp3("cut.mp3", 4.0);
    QByteArray bytes = readAll(path);
    ASSERT_TRUE(songfiles::firstFrame(bytes).isInfo); // the header still claims 4 s
    writeAll(path, bytes.left(bytes.size() / 2));

    ASSERT_FALSE(mp.open(path));
    EXPECT_NEAR(mp.length(), 2.0, 0.1);
    mp.play();
    const int played = playToEnd(*engine, mp, 6 * kRate);
    EXPECT_NEAR(double(played) / kRate, 2.0, 0.1);
}

TEST_F(Mp3Test, GarbageInTheMiddleIsSkipped) {
    const QString path = mp3("damaged.mp3", 6.0);
    QByteArray bytes = readAll(path);
    QByteArray garbage(64 * 1024, '\0');
    QRandomGenerator rng(7);
    for (char& b : garbage)
        b = char(rng.bounded(256));
    bytes.insert(bytes.size() / 2, garbage);
    writeAll(path, bytes);

    ASSERT_FALSE(mp.open(path));
    mp.play();
    float loudest = 0;
    const int played = playToEnd(*engine, mp, 10 * kRate, &loudest);
    // A few frames around the damage are lost with it.
    EXPECT_NEAR(double(played) / kRate, 6.0, 0.15);
    // The garbage decodes to noise far louder than the song; none of it comes through.
    EXPECT_LT(loudest, 0.6f);
}

TEST_F(Mp3Test, SeeksAreSampleExact) {
    ASSERT_FALSE(mp.open(mp3("seek.mp3", 3.0)));
    mp.play();
    std::vector<float> straight(size_t(2 * 3 * kRate));
    engine->render(straight.data(), 3 * kRate);
    for (double target : {1.2345, 0.0, 2.5, 0.02}) {
        SCOPED_TRACE(target);
        mp.stop();
        mp.setPosition(target);
        mp.play();
        std::vector<float> after(2 * 1000);
        engine->render(after.data(), 1000);
        const size_t from = size_t(std::llround(target * kRate)) * 2;
        ASSERT_EQ(after,
                  std::vector<float>(straight.begin() + long(from), straight.begin() + long(from) + 2000));
    }
}

TEST_F(Mp3Test, DecodingOnWorkerThreadsWhileTheScanRunsRendersTheSameFrames) {
    // No header frame: the scan runs beside the decoding.
    const QString path = mp3("threaded.mp3", 3.0);
    stripHeaderFrame(path);

    auto script = [&](AudioEngine& e) {
        std::vector<float> all;
        const auto take = [&](int frames) {
            all.resize(all.size() + size_t(2 * frames));
            e.render(all.data() + all.size() - size_t(2 * frames), frames);
        };
        MediaPlayer mp(e, nullptr);
        EXPECT_FALSE(mp.open(path));
        mp.play();
        take(3000);
        for (double target : {2.1, 0.5, 1.75}) {
            mp.setPosition(target);
            take(2000);
        }
        mp.pause(); // and once while paused
        mp.setPosition(0.1);
        mp.play();
        take(20000);
        const int played = playToEnd(e, mp, 5 * kRate);
        EXPECT_GT(played, 0);
        return all;
    };
    auto threaded = AudioEngine::createOffline(kRate, AudioEngine::Decoding::Threads);
    EXPECT_EQ(script(*engine), script(*threaded));
}

// Threads of this process, as the kernel counts them.
int threadCount() {
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

TEST_F(Mp3Test, LoadsInQuickSuccessionLeaveOneScanThreadAndTheLatestSongsLength) {
    // Auto-mix over files that fail at once loads song after song: each scan is cancelled by the next load.
    const QString longSong = mp3("long.mp3", 6.0), shortSong = mp3("short.mp3", 0.5);
    auto threaded = AudioEngine::createOffline(kRate, AudioEngine::Decoding::Threads);
    MediaPlayer mp(*threaded, nullptr);
    ASSERT_FALSE(mp.open(shortSong));
    const int before = threadCount();
    for (int i = 0; i < 200; ++i)
        ASSERT_FALSE(mp.open(i % 2 ? shortSong : longSong));
    EXPECT_LE(threadCount(), before + 1);
    // The last load was the short song: no earlier scan's length lands on it.
    mp.play();
    EXPECT_NEAR(playToEnd(*threaded, mp, 3 * kRate) / double(kRate), 0.5, 0.03);
    EXPECT_NEAR(mp.length(), 0.5, 0.01);
}

} // namespace
