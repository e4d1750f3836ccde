#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "console/songlistcommands.h"
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

// The two commands that delete a song's file: the same question in other words, and only "From pc" says
// that a file went.
struct Removal {
    const char* name;
    void (*run)(SongList&);
    const char* question;
    const char* title;
    bool tellsDeleted;
};
void PrintTo(const Removal& r, std::ostream* os) {
    *os << r.name;
}

class DeleteCommands : public SongListFixture, public ::testing::WithParamInterface<Removal> {};

TEST_P(DeleteCommands, AskThenDeleteOnlySongFilesAndDropEntriesWhoseFileIsGone) {
    const Removal& r = GetParam();
    const QString song = dir.write("song.mp3", "x");
    const QString text = dir.write("notes.txt", "x");
    fill({"x"});
    list.append("song.mp3", song);
    list.append("My notes", text);
    list.append("gone.wav", dir.file("gone.wav"));

    // No: nothing. Yes without a selection: the question, then nothing.
    prompts.answer(Answer::No);
    list.select(1);
    r.run(list);
    EXPECT_EQ(prompts.last().text, r.question);
    EXPECT_EQ(prompts.last().title, r.title);
    EXPECT_EQ(prompts.last().buttons, Buttons::YesNo);
    EXPECT_EQ(prompts.last().icon, Icon::Question);
    EXPECT_TRUE(QFileInfo::exists(song));
    names.clearSelection();
    prompts.answer(Answer::Yes);
    r.run(list);
    EXPECT_EQ(list.count(), 4);

    // A song file goes, and its entry with it.
    prompts.clear();
    prompts.answer(Answer::Yes);
    if (r.tellsDeleted)
        prompts.answer(Answer::Ok);
    list.select(1);
    r.run(list);
    EXPECT_FALSE(QFileInfo::exists(song));
    EXPECT_EQ(allNames(), (QStringList{"x", "My notes", "gone.wav"}));
    ASSERT_EQ(prompts.count(), r.tellsDeleted ? 2 : 1);
    if (r.tellsDeleted) {
        EXPECT_EQ(prompts.last().text, song + "\r\nwas deleted from your HDD");
        EXPECT_EQ(prompts.last().title, "Song removed");
        EXPECT_EQ(prompts.last().icon, Icon::Information);
    }

    // Any other file is refused, naming its path; the entry and the file stay.
    prompts.answer(Answer::Yes).answer(Answer::Ok);
    list.select(1);
    r.run(list);
    EXPECT_TRUE(QFileInfo::exists(text));
    EXPECT_TRUE(prompts.last().text.startsWith(text + "\r\n"));
    EXPECT_EQ(list.count(), 3);

    // A song that is gone already: the entry goes, and nothing is shown.
    prompts.clear();
    prompts.answer(Answer::Yes);
    list.select(2);
    r.run(list);
    EXPECT_EQ(prompts.count(), 1);
    EXPECT_EQ(allNames(), (QStringList{"x", "My notes"}));
    expectInStep();
}

INSTANTIATE_TEST_SUITE_P(Both, DeleteCommands,
                         ::testing::Values(Removal{"FromComputer", &songlistcommands::removeFromComputer,
                                                   "Are you sure you want to delete this file from disk?",
                                                   "Delete file?", false},
                                           Removal{"FromPc", &songlistcommands::removeFromPc,
                                                   "Are you sure you want to remove this song from the HDD?",
                                                   "Remove song from PC?", true}),
                         [](const auto& info) { return std::string(info.param.name); });
