#include "console/songlistcommands.h"
#include "songlistfixture.h"

using namespace player;

using platform::Answer;

TEST_F(SongListFixture, SameFileTwiceGivesTwoEntriesAndRemovingOneKeepsTheOther) {
    list.append("song.mp3", "/m/song.mp3");
    list.append("song.mp3", "/m/song.mp3");
    ASSERT_EQ(list.count(), 2);
    list.remove(0);
    EXPECT_EQ(allNames(), QStringList{"song.mp3"});
    EXPECT_EQ(allPaths(), QStringList{"/m/song.mp3"});
}

TEST_F(SongListFixture, RemovingShiftsLaterEntriesInBothLists) {
    fill({"a", "b", "c", "d"});
    list.remove(1);
    EXPECT_EQ(allNames(), (QStringList{"a", "c", "d"}));
    EXPECT_EQ(allPaths(), (QStringList{"/music/a", "/music/c", "/music/d"}));
    EXPECT_EQ(list.selectedIndex(), -1);
    list.select(0);
    list.remove(1); // another entry: the selection stays
    EXPECT_EQ(list.selectedIndex(), 0);
    list.select(1);
    list.remove(1); // the selected one: nothing is selected afterwards, so a second remove removes nothing
    EXPECT_EQ(list.selectedIndex(), -1);
    EXPECT_FALSE(list.selectedSong().has_value());
    EXPECT_EQ(allNames(), QStringList{"a"});
    fill({"c", "d"});
    list.remove(7);  // out of range: nothing
    list.remove(-1); // likewise
    EXPECT_EQ(list.count(), 3);
    expectInStep();
}

TEST_F(SongListFixture, SelectedSongLookup) {
    fill({"a", "b", "c"});
    EXPECT_FALSE(list.selectedSong().has_value());

    names.setCurrentRow(2);
    files.setCurrentRow(0);
    const auto song = list.selectedSong();
    ASSERT_TRUE(song.has_value());
    EXPECT_EQ(song->index, 2);
    EXPECT_EQ(song->name, "c");
    EXPECT_EQ(song->path, "/music/c");
    EXPECT_EQ(files.currentRow(), 2); // the paths list follows the lookup
}

TEST_F(SongListFixture, SelectEntryMovesBothListsAndIgnoresBadIndexes) {
    fill({"a", "b", "c"});
    list.select(1);
    EXPECT_EQ(list.selectedIndex(), 1);
    EXPECT_EQ(files.currentRow(), 1);
    list.select(3);
    list.select(-1);
    EXPECT_EQ(list.selectedIndex(), 1);
}

TEST_F(SongListFixture, VisitAllYieldsEveryPairAndLeavesTheLastSelected) {
    fill({"a", "b", "c"});
    list.select(0);
    const QList<Song> songs = list.visitAll();
    ASSERT_EQ(songs.size(), 3);
    EXPECT_EQ(songs[2].name, "c");
    EXPECT_EQ(songs[2].path, "/music/c");
    EXPECT_EQ(list.selectedIndex(), 2);
    EXPECT_EQ(files.currentRow(), 2);

    list.clear();
    EXPECT_TRUE(list.visitAll().isEmpty());
    EXPECT_EQ(names.count(), 0);
    expectInStep();
}

TEST_F(SongListFixture, TheListStopsAtItsLimitAndSaysSoOnce) {
    QList<Song> many;
    for (int i = 0; i < 40000; ++i)
        many.append(Song{QStringLiteral("/p/%1.mp3").arg(i), QStringLiteral("%1.mp3").arg(i)});
    prompts.answer(Answer::Ok);
    EXPECT_FALSE(songlistcommands::appendSongs(list, many));
    EXPECT_EQ(list.count(), SongList::kMaxEntries);
    expectInStep();
    EXPECT_EQ(list.path(SongList::kMaxEntries - 1), "/p/32766.mp3");
    EXPECT_EQ(prompts.count(), 1);
    EXPECT_TRUE(prompts.last().text.contains("32767"));

    // A full list takes nothing more, and says so once per command.
    prompts.answer(Answer::Ok);
    EXPECT_FALSE(songlistcommands::appendSong(list, "x", "/x.mp3"));
    EXPECT_EQ(list.count(), SongList::kMaxEntries);
    expectInStep();
}
