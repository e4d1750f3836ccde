// The analysis over a decoder: every frame to the decoder's end is counted, whatever its reads return and
// whatever length it claims; a cancel is seen between reads.
#include <QJsonObject>
#include <gtest/gtest.h>

#include "analysis/songanalysis.h"
#include "media/decoder.h"

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

} // namespace
