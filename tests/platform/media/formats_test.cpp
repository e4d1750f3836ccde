// The formats beyond MP3 and WAV, each written by the test from one source: decoded against the source within
// the format's loss, seeks against a full decode, a file cut in half, and a song played to its end.
#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <cmath>
#include <gtest/gtest.h>

#include "media/audioengine.h"
#include "media/decoder.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "tempdir.h"

using namespace platform::media;
using songfiles::Format;

namespace {

constexpr int kChannels = 2;
constexpr double kSeconds = 3.0;

struct FormatCase {
    const char* name;
    Format format;
    int rate;
    bool lossless;
    // The decoder's length (after its scan, if it has one) is the number of frames it decodes.
    bool exactLength;
    // Frames the decoded song holds in front of the source (negative: lost at its start).
    int lead;
    // How far from its target a seek may land, in frames: 0 is sample-exact.
    int seekError;
};

// The accuracy each format reaches. AAC in M4A is gapless: its edit list leaves out the encoder's delay and
// padding. Raw AAC has no container to say so, so its 1024 priming frames play; its length comes from a scan
// of its packets. FFmpeg's WMA encoder loses its first block of 2048 frames; the timestamps of WMA's
// container count milliseconds, so its seeks land within 1.5 ms (well inside one codec frame of 2048) and its
// length is the container's, a little longer than what decodes.
const FormatCase kFormats[] = {
    {"Aiff", Format::Aiff, 44100, true, true, 0, 0},
    {"Flac", Format::Flac, 44100, true, true, 0, 0},
    {"M4aAlac", Format::M4aAlac, 44100, true, true, 0, 0},
    {"OggVorbis", Format::OggVorbis, 44100, false, true, 0, 0},
    {"Opus", Format::Opus, 48000, false, true, 0, 0},
    {"M4aAac", Format::M4aAac, 44100, false, true, 0, 0},
    {"Adts", Format::Adts, 44100, false, true, 1024, 0},
    {"Wma", Format::Wma, 44100, false, false, -2048, 64},
};

// Two tones a channel, apart on each channel so that swapped or mixed channels show; slowly swelling.
std::vector<int16_t> source(int frames, int rate) {
    std::vector<int16_t> s(size_t(frames) * kChannels);
    for (int f = 0; f < frames; ++f) {
        const double t = double(f) / rate, swell = 0.6 + 0.4 * std::sin(2 * M_PI * 0.5 * t);
        s[size_t(f) * 2] = int16_t(
            std::lround(9000 * swell * (std::sin(2 * M_PI * 220 * t) + 0.5 * std::sin(2 * M_PI * 1230 * t))));
        s[size_t(f) * 2 + 1] = int16_t(
            std::lround(9000 * swell * (std::sin(2 * M_PI * 330 * t) + 0.5 * std::sin(2 * M_PI * 2010 * t))));
    }
    return s;
}

std::vector<float> decodeAll(Decoder& d, int64_t limit) {
    std::vector<float> all;
    std::vector<float> chunk(4096 * size_t(d.channels()));
    while (int64_t(all.size()) < limit * d.channels()) {
        const int n = d.read(chunk.data(), 4096);
        if (n <= 0)
            break;
        all.insert(all.end(), chunk.begin(), chunk.begin() + n * d.channels());
    }
    return all;
}

// How alike `got` (from frame `lag` on) and `want` are over `frames` frames: their correlation and the level
// of `got` against `want` in dB.
struct Likeness {
    double correlation = 0, levelDb = 0;
};
Likeness compare(const std::vector<float>& got, const std::vector<float>& want, int64_t gotFrom,
                 int64_t wantFrom, int64_t frames) {
    double gw = 0, gg = 0, ww = 0;
    for (int64_t i = 0; i < frames * kChannels; ++i) {
        const size_t gi = size_t(gotFrom * kChannels + i), wi = size_t(wantFrom * kChannels + i);
        if (gi >= got.size() || wi >= want.size())
            break;
        gw += double(got[gi]) * want[wi];
        gg += double(got[gi]) * got[gi];
        ww += double(want[wi]) * want[wi];
    }
    if (gg <= 0 || ww <= 0)
        return {};
    return {gw / std::sqrt(gg * ww), 10 * std::log10(gg / ww)};
}

// The offset in [-range, range] at which `got` best matches `want` from `wantFrom` on.
int bestLag(const std::vector<float>& got, int64_t gotFrom, const std::vector<float>& want, int64_t wantFrom,
            int64_t frames, int range) {
    int best = 0;
    double bestCorrelation = -2;
    for (int lag = -range; lag <= range; ++lag) {
        if (gotFrom + lag < 0)
            continue;
        const double c = compare(got, want, gotFrom + lag, wantFrom, frames).correlation;
        if (c > bestCorrelation) {
            bestCorrelation = c;
            best = lag;
        }
    }
    return best;
}

class FormatTest : public ::testing::TestWithParam<FormatCase> {
protected:
    void SetUp() override {
        const FormatCase& c = GetParam();
        frames = int(kSeconds * c.rate);
        samples = source(frames, c.rate);
        for (int16_t s : samples)
            expected.push_back(float(s) / 32768.0f);
        path = dir.file(QStringLiteral("song.") + QLatin1String(songfiles::extension(c.format)));
        ASSERT_TRUE(songfiles::write(path, c.format, c.rate, kChannels, samples));
    }
    std::unique_ptr<Decoder> open(const QString& p) {
        OpenResult r = openDecoder(p);
        EXPECT_FALSE(r.error) << r.error.message.toStdString();
        EXPECT_TRUE(r.decoder);
        return std::move(r.decoder);
    }

    TempDir dir;
    QString path;
    int frames = 0;
    std::vector<int16_t> samples;
    std::vector<float> expected;
};

TEST_P(FormatTest, DecodesToTheSourceWithinItsLoss) {
    const FormatCase& c = GetParam();
    auto d = open(path);
    ASSERT_TRUE(d);
    if (auto scan = d->takeScanner())
        d->applyScan(scan(std::atomic<bool>{false}));
    EXPECT_EQ(d->rate(), c.rate);
    ASSERT_EQ(d->channels(), kChannels);
    const std::vector<float> got = decodeAll(*d, 2 * int64_t(frames));
    const int64_t decoded = int64_t(got.size()) / kChannels;
    if (c.exactLength) {
        EXPECT_EQ(d->length(), decoded);
    }
    if (c.lossless) {
        ASSERT_EQ(decoded, frames);
        EXPECT_EQ(d->length(), frames);
        EXPECT_TRUE(got == expected) << "not bit-exact";
        return;
    }
    // A lossy encoder may pad its last frame; the song is never shorter than its source.
    EXPECT_GE(decoded, frames + c.lead);
    EXPECT_LE(decoded, frames + c.lead + 4096);
    const int64_t from = c.rate / 10, span = frames - c.rate / 5;
    EXPECT_EQ(bestLag(got, from + c.lead, expected, from, c.rate / 10, 64), 0);
    const Likeness l = compare(got, expected, from + c.lead, from, span);
    EXPECT_GE(l.correlation, 0.99);
    EXPECT_LT(std::abs(l.levelDb), 0.5);
}

TEST_P(FormatTest, SeeksLandOnTheirTarget) {
    const FormatCase& c = GetParam();
    auto whole = open(path);
    ASSERT_TRUE(whole);
    const std::vector<float> reference = decodeAll(*whole, 2 * int64_t(frames));
    const int64_t length = int64_t(reference.size()) / kChannels;
    auto d = open(path);
    ASSERT_TRUE(d);
    constexpr int kSpan = 2048;
    // Forward and back, inside the first frames, across codec frame edges, and close to the end.
    for (int64_t target : {int64_t(70001), int64_t(1), int64_t(0), int64_t(4095), int64_t(c.rate),
                           length - kSpan, int64_t(12345)}) {
        SCOPED_TRACE(target);
        ASSERT_TRUE(d->seek(target));
        std::vector<float> got(kSpan * kChannels);
        ASSERT_EQ(d->read(got.data(), kSpan), kSpan);
        if (c.lossless) {
            EXPECT_TRUE(std::equal(got.begin(), got.end(), reference.begin() + target * kChannels));
            continue;
        }
        // Where in the reference what the seek gave begins.
        const int range = c.seekError + 8;
        const int landed = bestLag(reference, target + range, got, range, kSpan - 2 * range, range);
        EXPECT_LE(std::abs(landed), c.seekError);
        if (c.seekError == 0) {
            EXPECT_GE(compare(got, reference, 0, target, kSpan).correlation, 0.999);
        }
    }
    EXPECT_FALSE(d->seek(length + c.rate));
    float sink[2 * 16];
    EXPECT_EQ(d->read(sink, 16), 0);
}

TEST_P(FormatTest, AFileCutInHalfPlaysWhatItHas) {
    const FormatCase& c = GetParam();
    QFile f(path);
    ASSERT_TRUE(f.resize(f.size() / 2));
    auto d = open(path);
    ASSERT_TRUE(d);
    const int64_t decoded = int64_t(decodeAll(*d, 2 * int64_t(frames)).size()) / kChannels;
    EXPECT_GT(decoded, frames / 4);
    EXPECT_LT(decoded, frames * 3 / 4 + c.lead);
    // A seek past what is left ends the song (at once, or at the next read) instead of hanging.
    d->seek(frames - 10);
    float sink[2 * 16];
    EXPECT_EQ(d->read(sink, 16), 0);
}

TEST_P(FormatTest, PlaysThroughTheEngineToItsEnd) {
    const FormatCase& c = GetParam();
    auto engine = AudioEngine::createOffline(c.rate);
    MediaPlayer mp(*engine, nullptr);
    ASSERT_FALSE(mp.open(path));
    EXPECT_NEAR(mp.length(), kSeconds, 0.1);
    QSignalSpy ended(&mp, &MediaPlayer::ended);
    ASSERT_FALSE(mp.play());
    std::vector<float> buffer(2 * 512);
    int rendered = 0;
    float loudest = 0;
    while (ended.isEmpty() && rendered < 2 * frames) {
        engine->render(buffer.data(), 512);
        rendered += 512;
        for (float s : buffer)
            loudest = std::max(loudest, std::abs(s));
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(ended.count(), 1);
    EXPECT_NEAR(rendered, frames + c.lead, c.rate / 5);
    EXPECT_GT(loudest, 0.2f);
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatTest, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
