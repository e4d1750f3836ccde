#include <QSignalSpy>

#include "console/missingfiles.h"
#include "console/songlistcommands.h"
#include "songlistfixture.h"

using namespace player;

using platform::Answer;

class MissingSongs : public SongListFixture {
protected:
    MissingFiles missing{&names, &files};

    QString song(const QString& name) { return dir.write(name, "x"); }
    QList<bool> marks() const {
        QList<bool> out;
        for (int i = 0; i < names.count(); ++i)
            out << MissingFiles::isMissing(&names, i);
        return out;
    }
};

TEST_F(MissingSongs, FewEntriesAreLookedUpAtOnceAndDimmedWithTheirNamesUnchanged) {
    list.append("here", song("a.mp3"));
    list.append({{dir.file("gone.mp3"), "gone"}, {song("b.mp3"), "also here"}});
    EXPECT_EQ(marks(), (QList<bool>{false, true, false}));
    EXPECT_EQ(allNames(), (QStringList{"here", "gone", "also here"}));
    EXPECT_EQ(names.item(1)->foreground().color(), MissingFiles::kDimmed);
    EXPECT_FALSE(missing.busy());

    // A load that fails looks again: the file is back, the entry is drawn as before.
    song("gone.mp3");
    EXPECT_FALSE(missing.recheck(1));
    EXPECT_EQ(marks(), (QList<bool>{false, false, false}));
    EXPECT_EQ(names.item(1)->foreground().style(), Qt::NoBrush);
}

TEST_F(MissingSongs, ALargeBatchIsLookedUpInTheBackgroundAndMatchedByPath) {
    QList<Song> songs;
    for (int i = 0; i < MissingFiles::kBackgroundFrom; ++i)
        songs.append({i % 3 == 0 ? song(QString("s%1.mp3").arg(i)) : dir.file(QString("m%1.mp3").arg(i)),
                      QString::number(i)});
    QSignalSpy done(&missing, &MissingFiles::checked);
    list.append(songs);
    EXPECT_TRUE(missing.busy());
    list.remove(0); // entries move before the answer comes back
    ASSERT_TRUE(done.wait(10000));
    EXPECT_FALSE(missing.busy());
    for (int i = 0; i < names.count(); ++i)
        EXPECT_EQ(MissingFiles::isMissing(&names, i), (i + 1) % 3 != 0) << i;
}

TEST_F(MissingSongs, RemoveMissingAsksOnceAndKeepsFilesThatCameBack) {
    list.append(
        {{dir.file("x.mp3"), "x"}, {song("a.mp3"), "a"}, {dir.file("y.mp3"), "y"}, {dir.file("z.mp3"), "z"}});
    list.select(3);
    song("y.mp3"); // back since the lookup

    prompts.answer(Answer::No);
    songlistcommands::removeMissing(list, missing);
    EXPECT_EQ(prompts.last().text, "Remove the 2 songs whose files are missing from the list?");
    EXPECT_EQ(names.count(), 4);

    prompts.answer(Answer::Yes);
    songlistcommands::removeMissing(list, missing);
    EXPECT_EQ(allNames(), (QStringList{"a", "y"}));
    expectInStep();
    EXPECT_EQ(list.selectedIndex(), -1); // the selected entry went with them

    prompts.answer(Answer::Ok);
    songlistcommands::removeMissing(list, missing);
    EXPECT_EQ(prompts.last().text, "No song in the list is missing its file.");
}
