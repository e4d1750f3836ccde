// The console without a window: two decks' players on an offline engine and a bare song list.
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "console/console.h"
#include "console/missingfiles.h"
#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "songlistfixture.h"

using platform::media::PlayState;

namespace {

class ConsoleTest : public SongListFixture {
protected:
    std::unique_ptr<platform::media::AudioEngine> engine = platform::media::AudioEngine::createOffline(8000);
    platform::media::MediaPlayer mp0{*engine, nullptr}, mp1{*engine, nullptr};
    MissingFiles missing{&names, &files};
    Console console{{&mp0, &mp1}, list, &missing};

    // Songs s0.wav ... s(n-1).wav in the list; `gone` names entries whose file is not there.
    void songs(int n, QList<int> gone = {}) {
        for (int i = 0; i < n; ++i) {
            const QString name = QStringLiteral("s%1.wav").arg(i);
            if (!gone.contains(i)) {
                ASSERT_TRUE(writeSong(dir.file(name), 10));
            }
            list.append(name, dir.file(name));
        }
    }
};

// Each step of the transport leaves the deck's player and its caption as a user would read them.
TEST_F(ConsoleTest, TransportStepsSayWhatTheDeckDoes) {
    songs(1);
    QSignalSpy captions(&console, &Console::captionChanged);
    EXPECT_EQ(console.caption(1), "No song loaded");
    console.play(1); // nothing loaded: the engine refuses and the caption stays
    EXPECT_EQ(captions.count(), 0);

    ASSERT_TRUE(console.loadSong(1, "Song", dir.file("s0.wav")));
    const struct {
        void (Console::*step)(int);
        PlayState state;
        const char* caption;
    } steps[] = {
        {&Console::play, PlayState::Playing, "Now Playing: Song"},
        {&Console::pause, PlayState::Paused, "Now Paused: Song press play to start the song"},
        {&Console::play, PlayState::Playing, "Now Playing: Song"},
        {&Console::stop, PlayState::Stopped, "Now Loaded: Song press play to start the song"},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.caption);
        (console.*s.step)(1);
        EXPECT_EQ(mp1.state(), s.state);
        EXPECT_EQ(console.caption(1), s.caption);
        EXPECT_EQ(captions.last().at(1).toString(), s.caption);
    }
    EXPECT_EQ(mp0.state(), PlayState::NoMedia);

    console.skip(1, Console::kSkipSeconds);
    EXPECT_DOUBLE_EQ(mp1.position(), 5);
    console.skip(1, -2 * Console::kSkipSeconds); // clamped at the start
    EXPECT_DOUBLE_EQ(mp1.position(), 0);
    console.seek(1, 7.5);
    EXPECT_DOUBLE_EQ(mp1.position(), 7.5);
}

// A song that cannot be opened (gone, not a song, a folder, empty) never replaces the one playing: the deck
// keeps its song, its place and its playing, and the user is told once which file failed.
TEST_F(ConsoleTest, AFailedLoadLeavesThePlayingDeckAsItWas) {
    songs(1);
    dir.write("notes.wav", "not a song at all, only words");
    dir.write("empty.wav", "");
    ASSERT_TRUE(console.loadSong(0, "Song", dir.file("s0.wav")));
    console.play(0);
    std::vector<float> out(2 * 8000);
    engine->render(out.data(), 8000);
    const double at = mp0.position();
    for (const char* name : {"gone.wav", "notes.wav", "", "empty.wav"}) {
        SCOPED_TRACE(name);
        prompts.clear();
        prompts.answer(platform::Answer::Ok);
        EXPECT_FALSE(console.loadSong(0, "Bad", dir.file(name)));
        ASSERT_EQ(prompts.count(), 1);
        EXPECT_TRUE(prompts.last().text.contains(dir.file(name)));
        EXPECT_EQ(console.caption(0), "Now Playing: Song");
        EXPECT_EQ(mp0.state(), PlayState::Playing);
        EXPECT_EQ(mp0.fileName(), dir.file("s0.wav"));
        EXPECT_DOUBLE_EQ(mp0.position(), at);
    }
    // an empty deck stays empty
    prompts.answer(platform::Answer::Ok);
    EXPECT_FALSE(console.loadSong(1, "Gone", dir.file("gone.wav")));
    EXPECT_EQ(console.caption(1), "No song loaded");
    EXPECT_EQ(mp1.state(), PlayState::NoMedia);
}

// The faders' integers, clamped to their ranges, reach the players by the level law; the signal comes only
// when the value moved.
TEST_F(ConsoleTest, LevelsAreClampedAndHeard) {
    EXPECT_EQ(console.deckLevel(0), Console::kDeckLevelMax);
    EXPECT_EQ(console.deckLevel(1), Console::kDeckLevelMin);
    EXPECT_EQ(console.crossfader(), 50);
    QSignalSpy levels(&console, &Console::deckLevelChanged);
    const struct {
        int asked, kept, heard;
    } decks[] = {{-1000, -1000, -1000}, {-4600, -4600, -9640}, {-9999, -5000, -9640}, {300, 0, 0}};
    for (const auto& c : decks) {
        SCOPED_TRACE(c.asked);
        console.setDeckLevel(0, c.asked);
        EXPECT_EQ(console.deckLevel(0), c.kept);
        EXPECT_EQ(mp0.level(), c.heard);
    }
    EXPECT_EQ(levels.count(), 4);
    console.setDeckLevel(0, 0);
    EXPECT_EQ(levels.count(), 4);

    console.setDeckVolume(1, 0.5);
    EXPECT_EQ(console.deckLevel(1), -2500);
    EXPECT_DOUBLE_EQ(console.deckVolume(1), 0.5);
    console.setDeckVolume(1, 7);
    EXPECT_EQ(console.deckLevel(1), 0);

    const struct {
        int asked, kept, level0, level1;
    } faders[] = {{1, 1, -90, -8910}, {100, 100, -9000, 0}, {0, 1, -90, -8910}, {500, 100, -9000, 0}};
    for (const auto& c : faders) {
        SCOPED_TRACE(c.asked);
        console.setCrossfader(c.asked);
        EXPECT_EQ(console.crossfader(), c.kept);
        EXPECT_EQ(mp0.level(), c.level0);
        EXPECT_EQ(mp1.level(), c.level1);
    }
}

// "Random playing" needs "Go on playing...": each switch drags the other the way a user expects.
TEST_F(ConsoleTest, TheAutoMixSwitchesFollowEachOther) {
    QSignalSpy changed(&console, &Console::autoMixChanged);
    const struct {
        bool goOnStep; // which switch is set
        bool on, goOn, random;
    } steps[] = {
        {false, true, true, true}, {true, false, false, false}, {true, true, true, false},
        {false, true, true, true}, {false, false, true, false}, {true, true, true, false},
    };
    int expectedSignals = 0;
    for (const auto& s : steps) {
        const bool before[] = {console.goOnPlaying(), console.randomPlaying()};
        s.goOnStep ? console.setGoOnPlaying(s.on) : console.setRandomPlaying(s.on);
        EXPECT_EQ(console.goOnPlaying(), s.goOn);
        EXPECT_EQ(console.randomPlaying(), s.random);
        expectedSignals += before[0] != s.goOn || before[1] != s.random;
        EXPECT_EQ(changed.count(), expectedSignals);
    }
}

// At a song's end the deck goes on from the selection, passing over a file that cannot be opened; with the
// switch off, or an empty list, nothing happens.
TEST_F(ConsoleTest, ASongsEndGoesOnPastMissingFiles) {
    console.goOn(0); // empty list
    EXPECT_EQ(mp0.state(), PlayState::NoMedia);
    songs(3, {1});
    list.select(0);
    console.songEnded(0);
    EXPECT_EQ(mp0.state(), PlayState::NoMedia);

    console.setGoOnPlaying(true);
    console.songEnded(0);
    EXPECT_EQ(list.selectedIndex(), 2);
    EXPECT_EQ(mp0.state(), PlayState::Playing);
    EXPECT_EQ(mp0.fileName(), dir.file("s2.wav"));
    EXPECT_EQ(console.caption(0), "Now Playing: s2.wav");
    console.goOn(0); // wraps to the first entry
    EXPECT_EQ(list.selectedIndex(), 0);
    EXPECT_EQ(prompts.count(), 0);
}

// While the list is held the commands that change it do nothing; a search's cancel flag is raised only while
// one runs.
TEST_F(ConsoleTest, AHeldListAndTheSearchFlag) {
    fill({"A", "B"});
    QSignalSpy held(&console, &Console::listHoldChanged);
    console.holdList(Console::ListHolder::Intake, true);
    EXPECT_FALSE(console.listCommandsEnabled());
    EXPECT_FALSE(console.listHeldForIntake());
    console.holdList(Console::ListHolder::Editor, true);
    EXPECT_TRUE(console.listHeldForIntake());
    console.clearList();
    console.removeFromList();
    EXPECT_EQ(list.count(), 2);
    console.holdList(Console::ListHolder::Intake, false);
    console.holdList(Console::ListHolder::Editor, false);
    EXPECT_EQ(held.count(), 4);
    console.clearList();
    EXPECT_EQ(list.count(), 0);

    EXPECT_FALSE(console.cancelSearch());
    console.search()->start();
    EXPECT_TRUE(console.searchRunning());
    EXPECT_TRUE(console.cancelSearch());
    EXPECT_TRUE(console.search()->cancelled());
    console.search()->finish();
    console.search()->start(); // a new search starts uncancelled
    EXPECT_FALSE(console.search()->cancelled());
}

// The selection moves inside the list; from no selection, down starts at the top.
TEST_F(ConsoleTest, TheSelectionMovesInsideTheList) {
    EXPECT_EQ(console.moveSelection(1), std::nullopt);
    fill({"A", "B", "C"});
    const struct {
        int delta, to;
    } moves[] = {{1, 0}, {1, 1}, {10, 2}, {-1, 1}, {-SongList::kMaxEntries, 0}, {-1, 0}};
    for (const auto& m : moves) {
        EXPECT_EQ(console.moveSelection(m.delta), m.to);
        EXPECT_EQ(list.selectedIndex(), m.to);
    }
}

} // namespace
