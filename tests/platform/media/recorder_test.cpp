// Recording the main mix: what reaches the file, and what a full disk, a removed folder or a slow disk leave.
#include <QDir>
#include <QFile>
#include <QtEndian>
#include <atomic>
#include <cmath>
#include <csignal>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/resource.h>
#include <thread>

#include "diskfull.h"
#include "media/audioengine.h"
#include "media/audiooutput.h"
#include "media/deck.h"
#include "media/devicekeeper.h"
#include "media/mediaplayer.h"
#include "media/mixer.h"
#include "songfiles.h"
#include "tempdir.h"
#include "waitfor.h"

using namespace platform::media;
using Format = AudioEngine::RecordFormat;

namespace {

constexpr int kRate = 44100;

std::vector<short> readBack(const QString& path, SF_INFO* info = nullptr) {
    SF_INFO local{};
    SF_INFO& i = info ? *info : local;
    SNDFILE* in = sf_open(QFile::encodeName(path).constData(), SFM_READ, &i);
    if (!in)
        return {};
    std::vector<short> out;
    std::vector<short> block(2 * 4096);
    for (sf_count_t n; (n = sf_readf_short(in, block.data(), 4096)) > 0;)
        out.insert(out.end(), block.begin(), block.begin() + 2 * n);
    sf_close(in);
    return out;
}

// How far the file's samples are from the float mix written at 16 bits, in steps; -1 when the file holds
// more than the mix.
long worstStep(const std::vector<short>& file, const std::vector<float>& mix) {
    if (file.size() > mix.size())
        return -1;
    long worst = 0;
    for (size_t i = 0; i < file.size(); ++i)
        worst = std::max(worst, std::labs(long(file[i]) - std::lrint(mix[i] * 32767.0)));
    return worst;
}

int openDescriptors() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

class Recording : public ::testing::TestWithParam<Format> {
protected:
    void SetUp() override {
        const QString saw = dir.file("saw.wav"), tone = dir.file("tone.wav");
        ASSERT_TRUE(
            songfiles::write(saw, songfiles::Kind::WavFloat, kRate, 2, songfiles::saw(kRate * 30, 2)));
        ASSERT_TRUE(songfiles::write(tone, songfiles::Kind::WavFloat, kRate, 2,
                                     songfiles::sine(kRate * 30, 2, kRate, 331.0, 0.9f)));
        ASSERT_FALSE(a.open(saw));
        ASSERT_FALSE(b.open(tone));
        b.setLevel(-2000);
        a.play();
        b.play();
        engine->setRecordingListener([this] { ++stoppedByItself; });
    }
    std::string target(const char* name = "set") const {
        return QFile::encodeName(dir.file(name) + (GetParam() == Format::Flac ? ".flac" : ".wav"))
            .toStdString();
    }
    // Renders `frames` in passes of uneven sizes, as devices ask, and keeps the mix.
    void render(int frames) {
        static constexpr int kPasses[] = {512, 256, 441, 1, 2048};
        for (int i = 0; frames > 0; ++i) {
            const int n = std::min(frames, kPasses[i % 5]);
            const size_t at = mix.size();
            mix.resize(at + size_t(2 * n));
            engine->render(mix.data() + at, n);
            frames -= n;
        }
    }

    // `n` passes of 512 frames as a device's callback makes them: the decks filled, then `mixPass` mixes.
    template <typename MixPass> void callbackPasses(int n, MixPass mixPass) {
        std::vector<float> pass(2 * 512);
        for (int i = 0; i < n; ++i) {
            for (auto& slot : engine->mixer().decks)
                if (Deck* d = slot.load())
                    d->fill();
            mixPass(pass.data());
            mix.insert(mix.end(), pass.begin(), pass.end());
        }
    }

    TempDir dir;
    std::unique_ptr<AudioEngine> engine = AudioEngine::createOffline(kRate);
    MediaPlayer a{*engine, nullptr}, b{*engine, nullptr};
    std::vector<float> mix;
    std::atomic<int> stoppedByItself{0};
};

TEST_P(Recording, TheFileHoldsTheMainMixFrameForFrame) {
    std::vector<float> before(2 * 300);
    engine->render(before.data(), 300); // not recorded: the recording begins with the next pass
    const int descriptors = openDescriptors();
    std::string error;
    ASSERT_TRUE(engine->startRecording(target(), GetParam(), &error)) << error;
    EXPECT_TRUE(engine->recording().active);
    render(3 * kRate + 17);
    engine->stopRecording();

    const auto state = engine->recording();
    EXPECT_FALSE(state.active);
    EXPECT_EQ(state.error, "");
    EXPECT_EQ(state.frames, 3 * kRate + 17);
    EXPECT_EQ(openDescriptors(), descriptors);
    SF_INFO info{};
    const auto file = readBack(QString::fromStdString(state.path), &info);
    EXPECT_EQ(info.samplerate, kRate);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.frames, 3 * kRate + 17);
    ASSERT_EQ(file.size(), mix.size());
    EXPECT_LE(worstStep(file, mix), 1);
    EXPECT_EQ(stoppedByItself, 0);

    // A second recording starts clean, with nothing of the first.
    mix.clear();
    ASSERT_TRUE(engine->startRecording(target("again"), GetParam(), &error)) << error;
    render(1000);
    engine->stopRecording();
    const auto again = readBack(QString::fromStdString(target("again")));
    ASSERT_EQ(again.size(), mix.size());
    EXPECT_LE(worstStep(again, mix), 1);
}

// Split sends the main mix to the left in mono; the file keeps the main mix in stereo whatever the routing.
TEST_P(Recording, HoldsTheStereoMainMixWhateverTheCueRouting) {
    b.setCue(true);
    engine->setCue({AudioEngine::CueRouting::Split, {}, 0.0f});
    ASSERT_TRUE(engine->startRecording(target(), GetParam()));
    auto& impl = engine->mixer();
    callbackPasses(40, [&](float* pass) { impl.processDevice(impl.offlineMixer, pass, 512, 2); });
    engine->stopRecording();
    const auto file = readBack(QString::fromStdString(target()));
    ASSERT_EQ(file.size(), mix.size());
    double apart = 0;
    for (size_t i = 0; i < file.size(); i += 2) {
        ASSERT_NEAR((file[i] + file[i + 1]) / 2.0, mix[i] * 32767.0, 1.5) << "frame " << i / 2;
        apart = std::max(apart, std::abs(double(file[i]) - file[i + 1]));
    }
    EXPECT_GT(apart, 1000) << "the recording is the mono sum, not the stereo mix";
}

// The music goes on; the file keeps every whole frame written before the disk refused more, and plays.
TEST_P(Recording, AFullDiskStopsItOnceAndLeavesAPlayableFile) {
    ASSERT_TRUE(engine->startRecording(target(), GetParam()));
    engine->setRecordingListener([this] {
        ++stoppedByItself;
        // The listener may look and stop without waiting for itself.
        EXPECT_FALSE(engine->recording().active);
        engine->stopRecording();
    });
    {
        DiskFillsUpAfter limit(48 * 1024 + 3); // in the middle of a frame
        render(10 * kRate);
        ASSERT_TRUE(waitFor([&] { return stoppedByItself > 0; }));
        render(kRate);
    }
    engine->stopRecording();
    const auto state = engine->recording();
    EXPECT_FALSE(state.active);
    EXPECT_NE(state.error.find("largest size"), std::string::npos) << state.error;
    SF_INFO info{};
    const auto file = readBack(QString::fromStdString(state.path), &info);
    EXPECT_GT(state.frames, kRate / 10);
    EXPECT_EQ(info.frames, state.frames) << "the header tells the length on disk";
    EXPECT_EQ(int64_t(file.size()), 2 * state.frames);
    EXPECT_LE(worstStep(file, mix), 1);
    EXPECT_EQ(stoppedByItself, 1);
    if (GetParam() == Format::Wav) {
        // Other players trust the header's sizes; they must be the bytes that are there.
        QFile wav(QString::fromStdString(state.path));
        ASSERT_TRUE(wav.open(QIODevice::ReadOnly));
        const QByteArray bytes = wav.readAll();
        const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
        EXPECT_EQ(u32(4) + 8, quint32(bytes.size()));
        EXPECT_EQ(bytes.mid(36, 4), "data");
        EXPECT_EQ(u32(40), quint32(4 * state.frames));
        EXPECT_EQ(44 + u32(40), quint32(bytes.size()));
    }
    EXPECT_NE(std::vector<float>(mix.end() - 200, mix.end()), std::vector<float>(200, 0.0f))
        << "the music stopped";
}

std::atomic<bool> g_diskStalls{false};

// The callback never waits: a disk a whole ring behind stops the recording with everything up to then.
TEST_P(Recording, ADiskTooSlowStopsItWithoutAGap) {
    auto& impl = engine->mixer();
    g_diskStalls = true;
    impl.recorder.drainHook = [] {
        while (g_diskStalls)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    ASSERT_TRUE(engine->startRecording(target(), GetParam()));
    // Twice the ring's depth while the writer is held.
    callbackPasses(int(2 * Recorder::kRingSeconds * kRate / 512),
                   [&](float* pass) { impl.process(impl.offlineMixer, pass, 512); });
    EXPECT_FALSE(impl.recorder.armed());
    g_diskStalls = false;
    ASSERT_TRUE(waitFor([&] { return stoppedByItself > 0; }));
    impl.recorder.drainHook = nullptr;
    const auto state = engine->recording();
    EXPECT_NE(state.error.find("could not keep up"), std::string::npos) << state.error;
    const auto file = readBack(QString::fromStdString(state.path));
    EXPECT_GE(int64_t(file.size()), int64_t(2 * Recorder::kRingSeconds * kRate));
    EXPECT_EQ(int64_t(file.size()), 2 * state.frames);
    EXPECT_LE(worstStep(file, mix), 1);
}

TEST_P(Recording, ARemovedFolderStopsIt) {
    const QString folder = dir.file("gone");
    ASSERT_TRUE(QDir().mkpath(folder));
    const std::string path =
        QFile::encodeName(folder).toStdString() + "/" + target().substr(target().rfind('/') + 1);
    ASSERT_TRUE(engine->startRecording(path, GetParam()));
    render(kRate);
    ASSERT_TRUE(QDir(folder).removeRecursively());
    ASSERT_TRUE(waitFor([&] { return stoppedByItself > 0; }));
    EXPECT_NE(engine->recording().error.find("removed"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Formats, Recording, ::testing::Values(Format::Flac, Format::Wav),
                         [](const auto& info) { return info.param == Format::Flac ? "Flac" : "Wav"; });

TEST(RecordingStart, RefusesWithASentenceAndTouchesNothing) {
    TempDir dir;
    const QString kept = dir.write("kept.flac", "someone's earlier set");
    auto engine = AudioEngine::createOffline(kRate);
    const struct {
        std::string path;
        const char* says;
    } cases[] = {
        {QFile::encodeName(dir.file("no such folder/set.flac")).toStdString(), "does not exist"},
        {QFile::encodeName(kept).toStdString(), "already there"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(engine->startRecording(c.path, Format::Flac, &error)) << c.path;
        EXPECT_NE(error.find(c.says), std::string::npos) << error;
        EXPECT_EQ(error.back(), '.');
        EXPECT_FALSE(engine->recording().active);
    }
    QFile f(kept);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "someone's earlier set");
}

// With nothing playing the null output would rest; a recording keeps its time running, as silence.
TEST(RecordingStart, TimeRunsWhileNothingPlays) {
    TempDir dir;
    auto engine = AudioEngine::createWithOutput(kRate, 256, nullptr);
    const std::string path = QFile::encodeName(dir.file("quiet.wav")).toStdString();
    ASSERT_TRUE(engine->startRecording(path, Format::Wav));
    ASSERT_TRUE(waitFor([&] { return engine->recording().frames > kRate / 5; }));
    engine->stopRecording();
    const auto file = readBack(QString::fromStdString(path));
    EXPECT_EQ(int64_t(file.size()), 2 * engine->recording().frames);
    EXPECT_EQ(file, std::vector<short>(file.size(), 0));
}

} // namespace
