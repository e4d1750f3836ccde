// Files a deck cannot play: open says why, the deck is left without media, the other deck plays on.
#include <QDir>
#include <QRandomGenerator>
#include <functional>
#include <gtest/gtest.h>

#include "media/audioengine.h"
#include "media/decoder.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "tempdir.h"

using namespace platform::media;
using Kind = MediaError::Kind;

namespace {

constexpr int kRate = 44100;

QByteArray randomBytes(int n, int seed) {
    QByteArray b(n, '\0');
    QRandomGenerator rng(seed);
    for (char& c : b)
        c = char(rng.bounded(256));
    return b;
}

QByteArray id3Tag(int bodySize) {
    QByteArray t("ID3\x03\x00\x00", 6);
    t.append(char((bodySize >> 21) & 0x7F)).append(char((bodySize >> 14) & 0x7F));
    t.append(char((bodySize >> 7) & 0x7F)).append(char(bodySize & 0x7F));
    t.append(QByteArray(bodySize, '\0'));
    return t;
}

TEST(BadInput, OpenReportsWhyAndLeavesTheDeckEmptyWhileTheOtherDeckPlaysOn) {
    TempDir dir;
    auto engine = AudioEngine::createOffline(kRate);
    MediaPlayer a(*engine, nullptr), b(*engine, nullptr);
    const QString steady = dir.file("steady.wav");
    ASSERT_TRUE(songfiles::write(steady, songfiles::Kind::WavFloat, kRate, 2,
                                 songfiles::constant(10 * kRate, 2, 0.25f)));
    const QString good = dir.file("good.wav");
    ASSERT_TRUE(
        songfiles::write(good, songfiles::Kind::WavFloat, kRate, 2, songfiles::constant(kRate, 2, 0.5f)));
    const QString headerOnly = dir.file("header-only.wav");
    ASSERT_TRUE(songfiles::write(headerOnly, songfiles::Kind::Wav16, kRate, 2, {}));
    ASSERT_FALSE(b.open(steady));
    b.play();

    struct Case {
        const char* name;
        std::function<QString()> make;
        Kind kind;
    };
    const Case cases[] = {
        {"missing file", [&] { return dir.file("nothing-here.mp3"); }, Kind::NotFound},
        {"missing non-ASCII path", [&] { return dir.file(QStringLiteral("Ångström ♫ 歌/dal.mp3")); },
         Kind::NotFound},
        {"empty path", [&] { return QString(); }, Kind::NotFound},
        {"empty file", [&] { return dir.write("empty.mp3", {}); }, Kind::Empty},
        {"random bytes named .mp3", [&] { return dir.write("noise.mp3", randomBytes(200000, 1)); },
         Kind::UnsupportedFormat},
        {"a few random bytes", [&] { return dir.write("short.mp3", randomBytes(37, 2)); },
         Kind::UnsupportedFormat},
        {"text named .mp3",
         [&] { return dir.write("notes.mp3", QByteArray("just some words\n").repeated(500)); },
         Kind::UnsupportedFormat},
        {"ID3 tag without audio", [&] { return dir.write("tag-only.mp3", id3Tag(4000)); }, Kind::Empty},
        {"ID3 tag before noise",
         [&] { return dir.write("tag-noise.mp3", id3Tag(100) + randomBytes(50000, 3)); }, Kind::Corrupt},
        {"header-only WAV", [&] { return headerOnly; }, Kind::Empty},
        {"RIFF header before noise", [&] { return dir.write("broken.wav", "RIFF" + randomBytes(5000, 4)); },
         Kind::Corrupt},
        {"directory", [&] { return dir.path(); }, Kind::NotAFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(a.open(good));
        a.play();
        const QString path = c.make();
        const MediaError e = a.open(path);
        EXPECT_EQ(e.kind, c.kind) << e.message.toStdString();
        EXPECT_FALSE(e.message.isEmpty());
        EXPECT_FALSE(a.hasMedia());
        EXPECT_EQ(a.length(), 0.0);
        EXPECT_EQ(a.position(), 0.0);
        EXPECT_EQ(a.fileName(), path);
        EXPECT_EQ(a.play().kind, Kind::NoMedia);
        std::vector<float> out(2 * 256);
        engine->render(out.data(), 256);
        EXPECT_EQ(out, std::vector<float>(out.size(), 0.25f));
    }
    EXPECT_EQ(b.state(), PlayState::Playing);
}

TEST(BadInput, ANonAsciiPathPlays) {
    TempDir dir;
    auto engine = AudioEngine::createOffline(kRate);
    MediaPlayer mp(*engine, nullptr);
    QDir().mkpath(dir.file(QStringLiteral("Ångström ♫ 歌")));
    const QString path = dir.file(QStringLiteral("Ångström ♫ 歌/Ünïcødé ✓.wav"));
    ASSERT_TRUE(songfiles::write(path, songfiles::Kind::WavFloat, kRate, 2, songfiles::saw(1000, 2)));
    ASSERT_FALSE(mp.open(path));
    mp.play();
    std::vector<float> out(2 * 1000);
    engine->render(out.data(), 1000);
    EXPECT_EQ(out, songfiles::saw(1000, 2));
}

TEST(MpegProbe, RandomBytesDoNotPassForMpegAudio) {
    for (int seed = 0; seed < 200; ++seed) {
        const QByteArray b = randomBytes(70000, 100 + seed);
        ASSERT_FALSE(looksLikeMpegAudio(reinterpret_cast<const unsigned char*>(b.constData()),
                                        size_t(b.size()), b.size()))
            << seed;
    }
}

} // namespace
