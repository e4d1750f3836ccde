// The auto-mix's rules: where a hand-over falls, how the fader travels, how loud a song is made, when two
// songs are beat-matched.
#include <cmath>
#include <gtest/gtest.h>
#include <taglib/fileref.h>
#include <taglib/tfile.h>
#include <taglib/tpropertymap.h>

#include "console/automix.h"
#include "songfiles.h"
#include "tempdir.h"

namespace {

using namespace player::automix;
using platform::analysis::SongFacts;

SongFacts bounds(std::optional<double> start, std::optional<double> end) {
    SongFacts f;
    f.audibleStartSeconds = start;
    f.audibleEndSeconds = end;
    return f;
}

// Bounds that contradict the song fall back to the whole song rather than skipping it.
TEST(AutoMixRules, AudibleSpan) {
    const struct {
        std::optional<double> start, end;
        double length, wantStart, wantEnd;
    } cases[] = {
        {1.5, 170.0, 180, 1.5, 170}, {{}, {}, 180, 0, 180},     {2.0, {}, 180, 2, 180},
        {{}, 175.0, 180, 0, 175},    {50.0, 40.0, 180, 0, 180}, {0.0, 200.0, 180, 0, 180},
        {-1.0, 100.0, 180, 0, 180},  {NAN, 100.0, 180, 0, 180}, {3.0, 3.0, 180, 0, 180},
        {1.0, 2.0, NAN, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start.value_or(-9) << ".." << c.end.value_or(-9));
        const Span s = audible(bounds(c.start, c.end), c.length);
        EXPECT_DOUBLE_EQ(s.start, c.wantStart);
        EXPECT_DOUBLE_EQ(s.end, c.wantEnd);
    }
}

// The fade ends where the outgoing song falls silent and is as long as asked, held to 1..30 s and to half of
// either song's audible part; the next song is loaded ten seconds before the fade, never before the start.
TEST(AutoMixRules, HandOverPlan) {
    const struct {
        const char* what;
        double outLength;
        SongFacts out;
        double inLength;
        SongFacts in;
        double fade;
        Plan want;
    } cases[] = {
        {"plain", 180, {}, 200, {}, 8, {162, 172, 180, 0}},
        {"silent ends", 180, bounds(0.5, 176), 200, bounds(2.25, 199), 8, {158, 168, 176, 2.25}},
        {"incoming unknown", 180, bounds(0, 176), 0, bounds(5, 6), 8, {158, 168, 176, 0}},
        {"too long a fade", 180, {}, 200, {}, 99, {140, 150, 180, 0}},
        {"too short a fade", 180, {}, 200, {}, 0.1, {169, 179, 180, 0}},
        {"not a number", 180, {}, 200, {}, NAN, {162, 172, 180, 0}},
        {"short outgoing", 6, {}, 200, {}, 8, {0, 3, 6, 0}},
        {"short incoming", 180, {}, 4, bounds(1, 3), 8, {169, 179, 180, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Plan p = plan(c.outLength, c.out, c.inLength, c.in, c.fade);
        EXPECT_DOUBLE_EQ(p.loadAt, c.want.loadAt);
        EXPECT_DOUBLE_EQ(p.fadeStart, c.want.fadeStart);
        EXPECT_DOUBLE_EQ(p.fadeEnd, c.want.fadeEnd);
        EXPECT_DOUBLE_EQ(p.incomingFrom, c.want.incomingFrom);
    }
}

// The fader leaves from wherever it stands and reaches the incoming deck's end exactly at the fade's end,
// in either direction; a fade of no length is a step at its end.
TEST(AutoMixRules, FaderTravel) {
    const Plan p{0, 100, 110, 0};
    const struct {
        double t;
        int from, incoming, want;
    } cases[] = {
        {90, 1, 1, 1},     {100, 1, 1, 1},   {105, 1, 1, 51},  {110, 1, 1, 100},   {130, 1, 1, 100},
        {105, 100, 0, 50}, {110, 100, 0, 1}, {105, 50, 1, 75}, {102.5, 50, 0, 38},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.t << " from " << c.from << " to deck " << c.incoming);
        EXPECT_EQ(faderAt(p, c.t, c.from, c.incoming), c.want);
    }
    const Plan none{0, 5, 5, 0};
    EXPECT_EQ(faderAt(none, 4.99, 1, 1), 1);
    EXPECT_EQ(faderAt(none, 5, 1, 1), 100);
    // Even steps: one second of an eight-second fade moves it an eighth of the way.
    const Plan eight{0, 0, 8, 0};
    for (int s = 0; s < 8; ++s)
        EXPECT_NEAR(faderAt(eight, s + 1, 1, 1) - faderAt(eight, s, 1, 1), 99 / 8.0, 1);
}

// The analysis' loudness wins over tags; a true peak holds the gain under -1 dBTP; ReplayGain's reference is
// -18 LUFS; nothing known is no levelling; extremes are held.
TEST(AutoMixRules, LevellingGain) {
    auto facts = [](std::optional<double> lufs, std::optional<double> peak) {
        SongFacts f;
        f.loudnessLufs = lufs;
        f.truePeakDbtp = peak;
        return f;
    };
    const struct {
        const char* what;
        SongFacts facts;
        ReplayGain tags;
        double target;
        std::optional<double> want;
    } cases[] = {
        {"quieter song lifted", facts(-20, -9), {}, -14, 6},
        {"louder song lowered", facts(-8, 0.5), {}, -14, -6},
        {"peak holds the lift", facts(-20, -4), {}, -14, 3},
        {"peak already over", facts(-14, 1.5), {}, -14, -2.5},
        {"no peak known", facts(-20, {}), {}, -14, 6},
        {"analysis wins over tags", facts(-20, -9), {-3.0, 0.5}, -14, 6},
        {"tags alone", facts({}, {}), {-3.0, {}}, -14, 1},
        {"tags with their peak", facts({}, {}), {2.0, 0.9}, -14, -1 - 20 * std::log10(0.9)},
        {"a meaningless peak", facts({}, {}), {2.0, 0.0}, -18, 2},
        {"nothing known", facts({}, -3), {}, -14, {}},
        {"not a number", facts(NAN, {}), {}, -14, {}},
        {"near silence held", facts(-70, -50), {}, -14, kLevelMaxDb},
        {"very loud held", facts(20, -40), {}, -14, kLevelMinDb},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::optional<double> got = levelGainDb(c.facts, c.tags, c.target);
        ASSERT_EQ(got.has_value(), c.want.has_value());
        if (got) {
            EXPECT_NEAR(*got, *c.want, 1e-9);
        }
    }
}

// Beat-matching only where the incoming tempo fader reaches the outgoing tempo as it plays; the tempo then
// glides back to the song's own in small steps and stays there.
TEST(AutoMixRules, BeatMatchAndGlide) {
    auto beats = [](double bpm) {
        SongFacts f;
        f.beats = platform::analysis::BeatGrid{bpm, 0.1};
        return f;
    };
    const struct {
        SongFacts out;
        double outTempo;
        SongFacts in;
        double range;
        bool want;
    } cases[] = {
        {beats(128), 1, beats(124), 0.08, true},     {beats(128), 1, beats(100), 0.08, false},
        {beats(128), 1, beats(100), 0.50, true},     {beats(120), 1.08, beats(120), 0.08, true},
        {beats(120), 1.10, beats(120), 0.08, false}, {beats(128), 1, SongFacts{}, 0.5, false},
        {SongFacts{}, 1, beats(128), 0.5, false},    {beats(128), 1, beats(0), 0.5, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.out.beats ? c.out.beats->bpm : 0) << " x" << c.outTempo
                                        << " vs " << (c.in.beats ? c.in.beats->bpm : 0));
        EXPECT_EQ(beatMatch(c.out, c.outTempo, c.in, c.range), c.want);
    }
    EXPECT_DOUBLE_EQ(tempoGlide(1.032, 0), 1.032);
    EXPECT_DOUBLE_EQ(tempoGlide(1.032, kTempoGlideSeconds / 2), 1.016);
    EXPECT_DOUBLE_EQ(tempoGlide(0.96, kTempoGlideSeconds), 1.0);
    EXPECT_DOUBLE_EQ(tempoGlide(0.96, 1e9), 1.0);
    double last = 0.96;
    for (double t = 0; t <= kTempoGlideSeconds; t += 0.02) {
        const double now = tempoGlide(0.96, t);
        EXPECT_GE(now, last);
        EXPECT_LE(now - last, 0.002) << "a step the ear hears at " << t;
        last = now;
    }
}

TEST(AutoMixRules, SettingsAreHeldToWhatPlays) {
    const Settings s = held({Transition::Crossfade, 99, true, -60});
    EXPECT_EQ(s.fadeSeconds, kFadeMaxSeconds);
    EXPECT_EQ(s.targetLufs, kTargetMinLufs);
    EXPECT_EQ(held({Transition::Crossfade, NAN, true, NAN}).fadeSeconds, kFadeDefaultSeconds);
    EXPECT_EQ(held({Transition::Crossfade, 0, true, 3}).fadeSeconds, kFadeMinSeconds);
}

// Tags as taggers write them (with and without the unit) on an MP3; a file without them or no song at all
// reads as nothing.
TEST(AutoMixRules, ReplayGainTagsAreRead) {
    TempDir dir;
    const QString path = dir.file("tagged.mp3");
    ASSERT_TRUE(songfiles::write(path, songfiles::Kind::Mp3Cbr, 44100, 2, songfiles::sine(44100, 2, 44100)));
    EXPECT_FALSE(player::readReplayGain(path).trackGainDb);
    {
        TagLib::FileRef file(QFile::encodeName(path).constData());
        TagLib::PropertyMap tags = file.file()->properties();
        tags.replace("REPLAYGAIN_TRACK_GAIN", TagLib::StringList("-6.54 dB"));
        tags.replace("REPLAYGAIN_TRACK_PEAK", TagLib::StringList("0.988"));
        file.file()->setProperties(tags);
        ASSERT_TRUE(file.save());
    }
    const ReplayGain rg = player::readReplayGain(path);
    ASSERT_TRUE(rg.trackGainDb && rg.trackPeak);
    EXPECT_DOUBLE_EQ(*rg.trackGainDb, -6.54);
    EXPECT_DOUBLE_EQ(*rg.trackPeak, 0.988);
    dir.write("notes.mp3", "no song");
    EXPECT_FALSE(player::readReplayGain(dir.file("notes.mp3")).trackGainDb);
    EXPECT_FALSE(player::readReplayGain(dir.file("gone.mp3")).trackGainDb);
}

} // namespace
