// The analysis service and its cache: a song analysed once is answered from the cache by the next program,
// its facts with it, a damaged entry is made again, the oldest entries go past the limit, a song changed on
// disk is new, and the user's tempo wins over the analysis for good.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <thread>

#include "analysis/analysisservice.h"
#include "beatsongs.h"
#include "songfiles.h"
#include "tempdir.h"
#include "waitfor.h"

using namespace platform::analysis;

namespace {

constexpr int kRate = 8000;

class AnalysisServiceTest : public ::testing::Test {
protected:
    // A mono WAV of `seconds` of a `hz` tone.
    QString song(const QString& name, double seconds, double hz = 440) {
        const QString path = dir.file(name);
        EXPECT_TRUE(songfiles::write(path, songfiles::Kind::Wav16, kRate, 1,
                                     songfiles::sine(int(seconds * kRate), 1, kRate, hz, 0.8f)));
        return path;
    }
    // The waveform of `path` once the service is done with it (its cache entry written).
    static std::shared_ptr<const Waveform> settled(AnalysisService& s, const QString& path) {
        QSignalSpy finished(&s, &AnalysisService::finished);
        auto w = s.waveform(path);
        EXPECT_TRUE(waitFor([&] { return finished.contains({path}); }));
        return w;
    }
    // A stereo song with a kick on every beat from 0.5 s.
    QString beatSong(const QString& name, double bpm) {
        beatsongs::Recipe r;
        r.bpm = bpm;
        r.firstBeat = 0.5;
        r.seconds = 12;
        r.rate = 22050;
        const QString path = dir.file(name);
        EXPECT_TRUE(songfiles::write(path, songfiles::Kind::Wav16, r.rate, 2, beatsongs::render(r)));
        return path;
    }
    static void damage(const QString& entry, const std::function<void(QByteArray&)>& how) {
        QByteArray bytes = TempDir::read(entry);
        how(bytes);
        QFile f(entry);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    QString cache() const { return dir.file("cache"); }
    QStringList entries() const { return QDir(cache()).entryList(QDir::Files, QDir::Name); }
    QString entryOf(const QString& song) const {
        return AnalysisCache(cache()).entryPath(FileIdentity::of(song));
    }
    static void age(const QString& file, int hours) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-3600 * hours),
                      QFileDevice::FileModificationTime);
    }

    TempDir dir;
};

TEST_F(AnalysisServiceTest, ASongIsAnalysedOnceAndAnsweredFromTheCacheAfterARestart) {
    const QString a = song("a.wav", 1.5);
    std::vector<WaveColumn> made;
    {
        AnalysisService service(cache());
        auto w = settled(service, a);
        ASSERT_TRUE(w->complete());
        EXPECT_EQ(service.waveform(a), w) << "one object while it is held";
        EXPECT_EQ(w->ready(), 900);
        EXPECT_EQ(service.songsDecoded(), 1);
        for (int i = 0; i < w->ready(); ++i)
            made.push_back(w->column(i));
    }
    ASSERT_EQ(entries().size(), 1);
    AnalysisService restarted(cache());
    QSignalSpy finished(&restarted, &AnalysisService::finished);
    auto w = settled(restarted, a);
    EXPECT_EQ(restarted.songsDecoded(), 0);
    ASSERT_EQ(w->ready(), int(made.size()));
    for (int i = 0; i < w->ready(); ++i) {
        // Stored on the cache's own scale, and read back exactly as that scale gives it.
        const WaveColumn& c = w->column(i);
        EXPECT_EQ(c.peak, AnalysisCache::expand(AnalysisCache::quantise(made[size_t(i)].peak)));
        EXPECT_EQ(c.mid, AnalysisCache::expand(AnalysisCache::quantise(made[size_t(i)].mid)));
    }
    EXPECT_NEAR(w->column(450).peak, 0.8f, 0.01f);
    EXPECT_TRUE(waitFor([&] { return finished.count() == 1; }));
    EXPECT_EQ(finished.at(0).at(0).toString(), a);
}

TEST_F(AnalysisServiceTest, ADamagedEntryIsIgnoredAndRewritten) {
    const QString a = song("a.wav", 1);
    const struct {
        const char* name;
        std::function<void(QByteArray&)> damage;
    } cases[] = {
        {"truncated", [](QByteArray& b) { b.chop(100); }},
        {"empty", [](QByteArray& b) { b.clear(); }},
        {"a flipped byte among the columns",
         [](QByteArray& b) { b[b.size() / 2] = char(b[b.size() / 2] ^ 0x10); }},
        {"another version", [](QByteArray& b) { b[4] = char(AnalysisCache::kVersion + 1); }},
        {"the version before (facts found another way)",
         [](QByteArray& b) { b[4] = char(AnalysisCache::kVersion - 1); }},
        {"longer", [](QByteArray& b) { b.append("more"); }},
    };
    {
        AnalysisService first(cache());
        settled(first, a);
    }
    const QByteArray good = TempDir::read(entryOf(a));
    ASSERT_FALSE(good.isEmpty());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray bad = good;
        c.damage(bad);
        QFile f(entryOf(a));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bad);
        f.close();
        AnalysisService next(cache());
        auto w = settled(next, a);
        EXPECT_TRUE(w->complete());
        EXPECT_EQ(w->ready(), 600);
        EXPECT_EQ(next.songsDecoded(), 1);
        EXPECT_EQ(TempDir::read(entryOf(a)), good);
    }
}

TEST_F(AnalysisServiceTest, TheFactsOfADecodeComeBackFromTheCacheAsTheyWere) {
    const QString a = beatSong("a.wav", 128);
    SongFacts found;
    {
        AnalysisService service(cache());
        found = settled(service, a)->facts();
    }
    ASSERT_TRUE(found.beats);
    EXPECT_NEAR(found.beats->bpm, 128, 0.2);
    EXPECT_NEAR(found.beats->firstBeatSeconds, 0.5, 0.01);
    EXPECT_FALSE(found.userTempo);
    ASSERT_TRUE(found.loudnessLufs && found.truePeakDbtp && found.audibleStartSeconds &&
                found.audibleEndSeconds);
    AnalysisService restarted(cache());
    const SongFacts kept = settled(restarted, a)->facts();
    EXPECT_EQ(restarted.songsDecoded(), 0);
    ASSERT_TRUE(kept.beats);
    EXPECT_EQ(kept.beats->bpm, found.beats->bpm);
    EXPECT_EQ(kept.beats->firstBeatSeconds, found.beats->firstBeatSeconds);
    EXPECT_EQ(kept.loudnessLufs, found.loudnessLufs);
    EXPECT_EQ(kept.truePeakDbtp, found.truePeakDbtp);
    EXPECT_EQ(kept.audibleStartSeconds, found.audibleStartSeconds);
    EXPECT_EQ(kept.audibleEndSeconds, found.audibleEndSeconds);

    // A tone has no beat: nothing is what comes back, not a grid of zeros.
    const QString tone = song("tone.wav", 6);
    {
        AnalysisService service(cache());
        settled(service, tone);
    }
    AnalysisService again(cache());
    const SongFacts none = settled(again, tone)->facts();
    EXPECT_EQ(again.songsDecoded(), 0);
    EXPECT_FALSE(none.beats);
    EXPECT_TRUE(none.loudnessLufs);
}

// A view that draws a song once, when it sees it complete, finds the facts there: a decode sets them before
// the mark, as a cache entry does.
TEST_F(AnalysisServiceTest, AWaveformSeenCompleteHasItsFacts) {
    AnalysisService service(cache());
    for (int i = 0; i < 6; ++i) {
        auto w = service.waveform(song(QStringLiteral("s%1.wav").arg(i), 2));
        while (!w->complete() && !w->failed())
            std::this_thread::yield();
        EXPECT_TRUE(w->facts().audibleEndSeconds.has_value()) << i;
    }
}

TEST_F(AnalysisServiceTest, TheUsersTempoWinsAndOutlivesRestartsAndNewAnalyses) {
    const QString a = beatSong("a.wav", 128);
    auto bpmOf = [](const std::shared_ptr<const Waveform>& w) { return w->facts().beats->bpm; };
    double firstBeat = 0;
    {
        AnalysisService service(cache());
        auto w = settled(service, a);
        ASSERT_TRUE(w->facts().beats);
        firstBeat = w->facts().beats->firstBeatSeconds;
        QSignalSpy finished(&service, &AnalysisService::finished);
        service.setUserTempo(a, 64.0);
        EXPECT_EQ(finished.count(), 1) << "the song's holders hear that its facts changed";
        EXPECT_EQ(bpmOf(w), 64.0);
        EXPECT_EQ(w->facts().beats->firstBeatSeconds, firstBeat) << "the found first beat stays";
        EXPECT_TRUE(w->facts().userTempo);
        // What is no tempo is refused, and the one set stays.
        for (double bad : {std::nan(""), 0.0, -120.0, 10.0, 1000.0, HUGE_VAL})
            service.setUserTempo(a, bad);
        EXPECT_EQ(bpmOf(w), 64.0);
        EXPECT_EQ(finished.count(), 1);
    }
    {
        AnalysisService restarted(cache());
        EXPECT_EQ(bpmOf(settled(restarted, a)), 64.0);
        EXPECT_EQ(restarted.songsDecoded(), 0);
    }
    // The entry made again by a new analysis: the user's tempo still wins over it.
    damage(entryOf(a), [](QByteArray& b) { b.chop(1); });
    {
        AnalysisService reanalysed(cache());
        auto w = settled(reanalysed, a);
        EXPECT_EQ(reanalysed.songsDecoded(), 1);
        EXPECT_EQ(bpmOf(w), 64.0);
        EXPECT_TRUE(w->facts().userTempo);
        // Taken back: the analysis' tempo again, here and after a restart.
        reanalysed.setUserTempo(a, std::nullopt);
        EXPECT_NEAR(bpmOf(w), 128, 0.2);
        EXPECT_FALSE(w->facts().userTempo);
    }
    AnalysisService restarted(cache());
    EXPECT_NEAR(bpmOf(settled(restarted, a)), 128, 0.2);
}

TEST_F(AnalysisServiceTest, AUsersTempoForASongNotYetAnalysedIsThereWhenItIs) {
    // A tone: no grid of its own, so the tapped one starts where the sound does.
    const QString a = song("a.wav", 4);
    AnalysisService service(cache());
    service.setUserTempo(a, 90.0);
    const SongFacts f = settled(service, a)->facts();
    ASSERT_TRUE(f.beats);
    EXPECT_EQ(f.beats->bpm, 90.0);
    EXPECT_EQ(f.beats->firstBeatSeconds, f.audibleStartSeconds.value_or(0));
    EXPECT_TRUE(f.userTempo);
}

TEST_F(AnalysisServiceTest, PastTheLimitTheEntriesUsedLongestAgoGo) {
    // Three sounds: the cache knows songs by their content, so three copies of one would share an entry.
    const QString a = song("a.wav", 1, 100), b = song("b.wav", 1, 200), c = song("c.wav", 1, 300);
    {
        AnalysisService service(cache());
        settled(service, a);
        settled(service, b);
    }
    const qint64 entrySize = QFileInfo(entryOf(a)).size();
    age(entryOf(a), 2);
    age(entryOf(b), 1);
    AnalysisService service(cache());
    service.setCacheLimit(entrySize * 5 / 2);
    // Read again, a is the newest now: b goes when c comes.
    settled(service, a);
    EXPECT_EQ(service.songsDecoded(), 0);
    settled(service, c);
    EXPECT_TRUE(QFile::exists(entryOf(a)));
    EXPECT_FALSE(QFile::exists(entryOf(b)));
    EXPECT_TRUE(QFile::exists(entryOf(c)));
}

TEST_F(AnalysisServiceTest, ASongChangedOnDiskIsAnalysedAgain) {
    const QString a = song("a.wav", 1, 60);
    AnalysisService service(cache());
    {
        auto w = settled(service, a);
        EXPECT_GT(w->column(300).low, 0.3f);
    }
    // The same size, another sound.
    song("a.wav", 1, 8000 / 3.0);
    auto w = settled(service, a);
    EXPECT_EQ(service.songsDecoded(), 2);
    EXPECT_LT(w->column(300).low, 0.05f);
    EXPECT_GT(w->column(300).high, 0.3f);
    EXPECT_EQ(entries().size(), 2);
}

TEST_F(AnalysisServiceTest, ASongThatCannotBeReadFailsCalmlyAndIsNotCached) {
    const QString junk = dir.write("junk.mp3", QByteArray(5000, 'x'));
    AnalysisService service(cache());
    for (const QString& path : {junk, dir.file("missing.wav")}) {
        auto w = settled(service, path);
        EXPECT_TRUE(w->failed());
        EXPECT_FALSE(w->error().isEmpty());
    }
    EXPECT_TRUE(entries().isEmpty());
}

TEST_F(AnalysisServiceTest, ASongNobodyHoldsIsGivenUp) {
    // Long enough that its analysis cannot end between the request and the drop.
    const QString held = song("held.wav", 60), dropped = song("dropped.wav", 600);
    {
        AnalysisService service(cache());
        auto w = service.waveform(held);
        service.waveform(dropped);
        EXPECT_TRUE(waitFor([&] { return w->complete(); }));
    }
    EXPECT_TRUE(QFile::exists(entryOf(held)));
    EXPECT_FALSE(QFile::exists(entryOf(dropped)));
}

} // namespace
