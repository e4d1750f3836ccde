// The waveform summary: tones land in their bands, the columns keep time with the song whatever the chunks,
// and two decodes of one song give the same picture.
#include <QFile>
#include <cmath>
#include <gtest/gtest.h>

#include "analysis/songanalysis.h"
#include "analysis/waveformbuilder.h"
#include "media/decoder.h"
#include "songfiles.h"
#include "tempdir.h"

using namespace platform;
using analysis::WaveColumn;
using analysis::Waveform;
using analysis::WaveformBuilder;

namespace {

// Frames held in memory, read in chunks of `step`.
class MemoryDecoder : public media::Decoder {
public:
    MemoryDecoder(std::vector<float> samples, int rate, int channels, int step = 4096)
        : m_samples(std::move(samples)), m_rate(rate), m_channels(channels), m_step(step) {}
    int rate() const override { return m_rate; }
    int channels() const override { return m_channels; }
    int64_t length() const override { return int64_t(m_samples.size()) / m_channels; }
    int read(float* out, int frames) override {
        const int n = int(std::min<int64_t>({frames, m_step, length() - m_at}));
        std::copy_n(m_samples.begin() + m_at * m_channels, n * m_channels, out);
        m_at += n;
        return n;
    }
    bool seek(int64_t) override { return false; }

private:
    std::vector<float> m_samples;
    int m_rate, m_channels, m_step;
    int64_t m_at = 0;
};

std::vector<WaveColumn> summarise(media::Decoder& d, analysis::SongAnalysis* found = nullptr) {
    Waveform w;
    WaveformBuilder builder(w);
    analysis::FrameSink* sinks[] = {&builder};
    const analysis::SongAnalysis a = analysis::analyse(d, nullptr, sinks);
    if (found)
        *found = a;
    EXPECT_TRUE(w.complete());
    std::vector<WaveColumn> out;
    for (int i = 0; i < w.ready(); ++i)
        out.push_back(w.column(i));
    return out;
}

bool same(const std::vector<WaveColumn>& a, const std::vector<WaveColumn>& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](auto& x, auto& y) {
               return x.peak == y.peak && x.low == y.low && x.mid == y.mid && x.high == y.high;
           });
}

// The builder runs eight lanes wide where the processor has them, four elsewhere: both are tested.
class WaveformLanes : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override { WaveformBuilder::allowWideLanes(GetParam()); }
    void TearDown() override { WaveformBuilder::allowWideLanes(true); }
};

TEST_P(WaveformLanes, EachToneLandsInItsBandAtItsRms) {
    constexpr int kRate = 44100;
    const struct {
        double hz;
        int band; // 0 low, 1 mid, 2 high
    } tones[] = {{60, 0}, {1000, 1}, {8000, 2}};
    for (const auto& t : tones)
        // The right channel in phase, then against the left: a mono sum would show the second as silence.
        for (const float right : {1.0f, -1.0f}) {
            std::vector<float> s = songfiles::sine(2 * kRate, 2, kRate, t.hz, 1.0f);
            for (size_t i = 1; i < s.size(); i += 2)
                s[i] *= right;
            MemoryDecoder d(std::move(s), kRate, 2);
            const std::vector<WaveColumn> cols = summarise(d);
            ASSERT_EQ(cols.size(), 1200u);
            // Past the filters' settling, a whole number of the 60 Hz tone's periods (10 columns) at a time.
            double band[3] = {0, 0, 0}, peak = 0;
            const int from = 300, to = 1100;
            for (int i = from; i < to; ++i) {
                band[0] += cols[size_t(i)].low, band[1] += cols[size_t(i)].mid,
                    band[2] += cols[size_t(i)].high;
                peak = std::max(peak, double(cols[size_t(i)].peak));
            }
            for (double& b : band)
                b /= (to - from);
            SCOPED_TRACE(testing::Message() << t.hz << " Hz, right channel x" << right);
            EXPECT_NEAR(peak, 1.0, 0.01);
            EXPECT_NEAR(band[t.band], M_SQRT1_2, 0.07);
            for (int other = 0; other < 3; ++other)
                EXPECT_TRUE(other == t.band || band[other] < band[t.band] * 0.1) // 20 dB below
                    << "band " << other << " reads " << band[other];
        }
}

TEST_P(WaveformLanes, ColumnsKeepTimeWithTheSongWhateverTheChunks) {
    const struct {
        int rate;
        int channels;
        int frames;
    } songs[] = {
        {44100, 2, 44100 * 3 + 37}, {48000, 1, 48000}, {22050, 6, 1001}, {8000, 2, 13}, {44100, 2, 0}};
    for (const auto& s : songs) {
        SCOPED_TRACE(testing::Message() << s.rate << " Hz, " << s.frames << " frames");
        const std::vector<float> samples = songfiles::saw(s.frames, s.channels);
        MemoryDecoder whole(samples, s.rate, s.channels, 1 << 30);
        const std::vector<WaveColumn> reference = summarise(whole);
        EXPECT_EQ(int64_t(reference.size()), WaveformBuilder::columnsFor(s.frames, s.rate));
        EXPECT_NEAR(double(reference.size()), double(s.frames) * Waveform::kColumnsPerSecond / s.rate, 1.0);
        for (const int step : {1, 73, 4096}) {
            MemoryDecoder chunked(samples, s.rate, s.channels, step);
            EXPECT_TRUE(same(summarise(chunked), reference)) << "in chunks of " << step;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(WaveformBuilder, WaveformLanes, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "Wide" : "Narrow"; });

TEST(WaveformBuilder, TwoDecodesOfASongGiveTheSameSummary) {
    TempDir dir;
    const QString path = dir.file("song.mp3");
    constexpr int kRate = 44100;
    std::vector<float> s = songfiles::sine(5 * kRate, 2, kRate, 110, 0.5f);
    const std::vector<float> hiss = songfiles::saw(5 * kRate, 2);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] += 0.3f * hiss[i];
    ASSERT_TRUE(songfiles::write(path, songfiles::Kind::Mp3Vbr, kRate, 2, s));
    std::vector<WaveColumn> first, second;
    analysis::SongAnalysis found;
    for (auto* out : {&first, &second}) {
        media::OpenResult opened = media::openDecoder(path);
        ASSERT_TRUE(opened.decoder);
        *out = summarise(*opened.decoder, &found);
    }
    EXPECT_TRUE(same(first, second));
    EXPECT_EQ(int64_t(first.size()), WaveformBuilder::columnsFor(found.frames, found.rate));
    // A column is a part of the 110 Hz tone's period: its peak over a few of them.
    float peak = 0;
    for (size_t i = 1500; i < 1520; ++i)
        peak = std::max(peak, first[i].peak);
    EXPECT_NEAR(peak, 0.55f, 0.05f);
    EXPECT_NEAR(first[1500].low, 0.35f, 0.05f);
}

} // namespace
