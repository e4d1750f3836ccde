#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "songlistcommands.h"
#include "songlistfixture.h"

using namespace player;

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using songlistcommands::Deletable;

using RemoveCommands = SongListFixture;

TEST_F(RemoveCommands, RemoveFromListTakesTheSelectedPairOnlyAndAsksNothing) {
    fill({"a", "b", "c"});
    songlistcommands::removeFromList(list); // nothing selected: nothing happens, nothing shown
    EXPECT_EQ(list.count(), 3);
    list.select(1);
    songlistcommands::removeFromList(list);
    EXPECT_EQ(allNames(), (QStringList{"a", "c"}));
    EXPECT_EQ(allPaths(), (QStringList{"/music/a", "/music/c"}));
    list.select(1);
    songlistcommands::removeFromList(list);
    list.select(0);
    songlistcommands::removeFromList(list);
    EXPECT_EQ(list.count(), 0);
    expectInStep();
    EXPECT_EQ(prompts.count(), 0);
}

TEST_F(RemoveCommands, OnlyPlainSongFilesMayBeDeleted) {
    dir.write("song.mp3", "x");
    dir.write("SONG.WaV", "x");
    dir.write("notes.txt", "x");
    QDir(dir.path()).mkdir("folder.mp3");
    QFile::link("/dev/null", dir.file("link.mp3"));
    const struct {
        QString path;
        Deletable expected;
    } cases[] = {
        {dir.file("song.mp3"), Deletable::Yes},
        {dir.file("SONG.WaV"), Deletable::Yes},
        {dir.file("notes.txt"), Deletable::NotASong},
        {dir.file("gone.mp3"), Deletable::Missing},
        {dir.file("folder.mp3"), Deletable::NotAFile},
        {"/dev/null", Deletable::NotASong},
        {dir.file("link.mp3"), Deletable::Yes}, // only the link goes
        {"", Deletable::NotASong},
    };
    for (const auto& c : cases)
        EXPECT_EQ(songlistcommands::deletable(c.path), c.expected) << c.path.toStdString();
}

TEST_F(RemoveCommands, RemoveFromComputer) {
    const QString song = dir.write("song.mp3", "x");
    const QString text = dir.write("notes.txt", "x");
    fill({"x"});
    list.append("song.mp3", song);
    list.append("My notes", text);
    list.append("gone.wav", dir.file("gone.wav"));

    // No: nothing. Yes without a selection: the question, then nothing.
    prompts.answer(Answer::No);
    list.select(1);
    songlistcommands::removeFromComputer(list);
    EXPECT_EQ(prompts.last().text, "Are you sure you want to delete this file from disk?");
    EXPECT_EQ(prompts.last().title, "Delete file?");
    EXPECT_EQ(prompts.last().buttons, Buttons::YesNo);
    EXPECT_EQ(prompts.last().icon, Icon::Question);
    EXPECT_TRUE(QFileInfo::exists(song));
    names.clearSelection();
    prompts.answer(Answer::Yes);
    songlistcommands::removeFromComputer(list);
    EXPECT_EQ(list.count(), 4);

    // A song file goes, and its entry with it, without a message.
    prompts.clear();
    prompts.answer(Answer::Yes);
    list.select(1);
    songlistcommands::removeFromComputer(list);
    EXPECT_FALSE(QFileInfo::exists(song));
    EXPECT_EQ(allNames(), (QStringList{"x", "My notes", "gone.wav"}));
    EXPECT_EQ(prompts.count(), 1);

    // Any other file is refused, naming its path; the entry and the file stay.
    prompts.answer(Answer::Yes).answer(Answer::Ok);
    list.select(1);
    songlistcommands::removeFromComputer(list);
    EXPECT_TRUE(QFileInfo::exists(text));
    EXPECT_TRUE(prompts.last().text.startsWith(text + "\r\n"));
    EXPECT_EQ(list.count(), 3);

    // A song that is gone already: the entry goes.
    prompts.answer(Answer::Yes);
    list.select(2);
    songlistcommands::removeFromComputer(list);
    EXPECT_EQ(allNames(), (QStringList{"x", "My notes"}));
    expectInStep();
}

TEST_F(RemoveCommands, FromPc) {
    const QString song = dir.write("song.wav", "x");
    const QString text = dir.write("notes.txt", "x");
    list.append("song.wav", song);
    list.append("gone.mp3", dir.file("gone.mp3"));
    list.append("My notes", text);

    prompts.answer(Answer::No);
    list.select(0);
    songlistcommands::removeFromPc(list);
    EXPECT_EQ(prompts.last().text, "Are you sure you want to remove this song from the HDD?");
    EXPECT_EQ(prompts.last().title, "Remove song from PC?");
    EXPECT_EQ(list.count(), 3);

    prompts.clear();
    prompts.answer(Answer::Yes).answer(Answer::Ok);
    songlistcommands::removeFromPc(list);
    EXPECT_FALSE(QFileInfo::exists(song));
    EXPECT_EQ(prompts.last().text, song + "\r\nwas deleted from your HDD");
    EXPECT_EQ(prompts.last().title, "Song removed");
    EXPECT_EQ(prompts.last().icon, Icon::Information);
    EXPECT_EQ(allNames(), (QStringList{"gone.mp3", "My notes"}));

    // A file that is gone: the entry goes, nothing is shown.
    prompts.clear();
    prompts.answer(Answer::Yes);
    list.select(0);
    songlistcommands::removeFromPc(list);
    EXPECT_EQ(prompts.count(), 1);
    EXPECT_EQ(allNames(), QStringList{"My notes"});

    // Not a song file: refused, entry and file stay.
    prompts.answer(Answer::Yes).answer(Answer::Ok);
    list.select(0);
    songlistcommands::removeFromPc(list);
    EXPECT_TRUE(QFileInfo::exists(text));
    EXPECT_EQ(list.count(), 1);
    expectInStep();
}
