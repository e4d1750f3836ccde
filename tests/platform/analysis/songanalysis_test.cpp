// The analysis over a decoder: every frame to the decoder's end is counted, whatever its reads return and
// whatever length it claims; a cancel is seen between reads.
#include <QJsonObject>
#include <gtest/gtest.h>

#include "analysis/songanalysis.h"
#include "beatsongs.h"
#include "media/decoder.h"
#include "songfiles.h"
#include "tempdir.h"

using namespace platform;

namespace {

// Gives `total` frames in reads of at most `step`, and claims `claimed` as its length.
class CountingDecoder : public media::Decoder {
public:
    CountingDecoder(int64_t total, int step, int64_t claimed)
        : m_left(total), m_step(step), m_claimed(claimed) {}
    int rate() const override { return 48000; }
    int channels() const override { return 2; }
    int64_t length() const override { return m_claimed; }
    int read(float* out, int frames) override {
        const int n = int(std::min<int64_t>({m_left, frames, m_step}));
        std::fill(out, out + 2 * n, 0.25f);
        m_left -= n;
        ++reads;
        return n;
    }
    bool seek(int64_t) override { return false; }
    int reads = 0;

private:
    int64_t m_left;
    int m_step;
    int64_t m_claimed;
};

TEST(SongAnalysis, CountsEveryFrameToTheEndNotTheClaimedLength) {
    const struct {
        int64_t total;
        int step;
        int64_t claimed;
    } cases[] = {{0, 512, 0}, {1, 512, 9999}, {48001, 777, 48000}, {3 * 60 * 48000 + 17, 100000, 1}};
    for (const auto& c : cases) {
        CountingDecoder d(c.total, c.step, c.claimed);
        const analysis::SongAnalysis a = analysis::analyse(d);
        EXPECT_EQ(a.frames, c.total);
        EXPECT_EQ(a.durationSeconds(), double(c.total) / 48000);
        EXPECT_EQ(analysis::toJson(a).value("duration_s").toDouble(), double(c.total) / 48000);
        EXPECT_FALSE(a.cancelled);
    }
}

TEST(SongAnalysis, ACancelStopsBetweenReads) {
    CountingDecoder d(1 << 30, 512, 0);
    const std::atomic<bool> cancel{true};
    const analysis::SongAnalysis a = analysis::analyse(d, &cancel);
    EXPECT_TRUE(a.cancelled);
    EXPECT_EQ(d.reads, 0);
}

// Frames held in memory, given in reads of the analysis's own size.
class MemoryDecoder : public media::Decoder {
public:
    MemoryDecoder(std::vector<float> frames, int rate) : m_frames(std::move(frames)), m_rate(rate) {}
    int rate() const override { return m_rate; }
    int channels() const override { return 2; }
    int64_t length() const override { return int64_t(m_frames.size() / 2); }
    int read(float* out, int frames) override {
        const size_t n = std::min(size_t(frames), m_frames.size() / 2 - m_at);
        std::copy_n(m_frames.begin() + ptrdiff_t(2 * m_at), 2 * n, out);
        m_at += n;
        return int(n);
    }
    bool seek(int64_t) override { return false; }

private:
    std::vector<float> m_frames;
    int m_rate;
    size_t m_at = 0;
};

// Every finding of one decode under its key; a silent song gives nulls, not made-up numbers.
TEST(SongAnalysis, TheFindingsOfOneDecodeUnderTheirKeys) {
    beatsongs::Recipe r;
    r.bpm = 124;
    r.firstBeat = 1.5;
    r.seconds = 20;
    std::vector<float> song = beatsongs::render(r);
    song.resize(song.size() + size_t(2 * 2.5 * r.rate), 0.0f); // a trailing silence
    MemoryDecoder d(song, r.rate);
    const QJsonObject o = analysis::toJson(analysis::analyse(d));
    EXPECT_EQ(o.value("bpm").toDouble(), 124.0);
    EXPECT_NEAR(o.value("first_beat_s").toDouble(), 1.5, 0.01);
    EXPECT_NEAR(o.value("audible_start_s").toDouble(), 1.5, 0.01);
    EXPECT_NEAR(o.value("audible_end_s").toDouble(), 20.0, 0.01);
    EXPECT_LT(o.value("loudness_lufs").toDouble(), -5);
    EXPECT_GT(o.value("loudness_lufs").toDouble(), -30);
    EXPECT_LE(o.value("true_peak_dbtp").toDouble(), 3);

    MemoryDecoder quiet(std::vector<float>(2 * 44100 * 10, 0.0f), 44100);
    const QJsonObject q = analysis::toJson(analysis::analyse(quiet));
    EXPECT_EQ(q.value("duration_s").toDouble(), 10.0);
    for (const char* key :
         {"bpm", "first_beat_s", "loudness_lufs", "true_peak_dbtp", "audible_start_s", "audible_end_s"})
        EXPECT_TRUE(q.value(key).isNull()) << key;
}

// Through the song files a user has: an MP3's encoder delay and a FLAC's frames must not move the beats or
// the bounds, and the loudness must survive the encoding.
TEST(SongAnalysis, SongFilesKeepTheirBeatsBoundsAndLoudness) {
    beatsongs::Recipe r;
    r.bpm = 126;
    r.firstBeat = 0.8;
    r.seconds = 20;
    const std::vector<float> song = beatsongs::render(r);
    MemoryDecoder memory(song, r.rate);
    const QJsonObject truth = analysis::toJson(analysis::analyse(memory));
    std::vector<int16_t> shorts(song.size());
    std::transform(song.begin(), song.end(), shorts.begin(),
                   [](float v) { return int16_t(std::clamp(v, -1.0f, 1.0f) * 32767); });
    TempDir dir;
    const QString mp3 = dir.file("a.mp3"), flac = dir.file("b.flac");
    ASSERT_TRUE(songfiles::write(mp3, songfiles::Kind::Mp3Cbr, r.rate, 2, song));
    ASSERT_TRUE(songfiles::write(flac, songfiles::Format::Flac, r.rate, 2, shorts));
    // The MP3 encoder's low-pass takes the top off the hats and claps, which the loudness weighs up.
    const struct {
        QString path;
        double loudness;
    } files[] = {{mp3, 0.75}, {flac, 0.01}};
    for (const auto& f : files) {
        const QJsonObject o = analysis::analyseFile(f.path);
        const std::string name = f.path.toStdString();
        EXPECT_EQ(o.value("bpm").toDouble(), 126.0) << name;
        EXPECT_NEAR(o.value("first_beat_s").toDouble(), 0.8, 0.010) << name;
        EXPECT_NEAR(o.value("audible_start_s").toDouble(), truth.value("audible_start_s").toDouble(), 0.005)
            << name;
        EXPECT_NEAR(o.value("loudness_lufs").toDouble(), truth.value("loudness_lufs").toDouble(), f.loudness)
            << name;
        EXPECT_NEAR(o.value("true_peak_dbtp").toDouble(), truth.value("true_peak_dbtp").toDouble(), 1.0)
            << name;
    }
}

} // namespace
