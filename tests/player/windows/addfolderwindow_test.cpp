#include <QDir>
#include <QFile>
#include <QPointer>

#include "songlistfixture.h"
#include "windows/addfolderwindow.h"

using namespace player;

using platform::Answer;

class AddDir : public SongListFixture {
protected:
    TempDir other;
    QPointer<AddFolderWindow> window = new AddFolderWindow(list);

    void TearDown() override { delete window.data(); }
    QString in(const TempDir& d, const QString& name) { return QDir(d.path()).absoluteFilePath(name); }
};

TEST(AddDirPercent, RoundsToOneDecimalHalvesToEven) {
    const struct {
        int i, n;
        const char* text;
    } cases[] = {{0, 3, "0 % complete"},         {1, 3, "33.3 % complete"},  {2, 3, "66.7 % complete"},
                 {1, 16, "6.2 % complete"},      {3, 16, "18.8 % complete"}, {1, 2, "50 % complete"},
                 {9999, 10000, "100 % complete"}};
    for (const auto& c : cases)
        EXPECT_EQ(AddFolderWindow::percentText(c.i, c.n), c.text) << c.i << "/" << c.n;
}

TEST_F(AddDir, StartsAtTheCurrentFolderWithAddDirFollowingItsRule) {
    EXPECT_EQ(window->windowTitle(), "Add Dir (only wav & mp3)");
    EXPECT_EQ(window->Dir1->path(), QDir::currentPath());
    EXPECT_EQ(window->lblAdd->isEnabled(), window->File1->count() > 0);
    EXPECT_TRUE(window->Frame1->isHidden());
    EXPECT_TRUE(window->File1->isHidden());
}

TEST_F(AddDir, AddsTheFolderInNameOrderThenHides) {
    for (const char* n : {"b.mp3", "A.wav", "c.MP3", "notes.txt", ".hidden.mp3"})
        dir.write(n, "x");
    fill({"existing"});
    window->show();
    ASSERT_TRUE(window->Dir1->setPath(dir.path()));
    EXPECT_EQ(window->lblSongs->text(), "Songs in folder : 3");
    ASSERT_TRUE(window->lblAdd->isEnabled());

    window->lblAdd_Click();
    EXPECT_EQ(allNames(), (QStringList{"existing", "A.wav", "b.mp3", "c.MP3"}));
    EXPECT_EQ(allPaths().mid(1), (QStringList{in(dir, "A.wav"), in(dir, "b.mp3"), in(dir, "c.MP3")}));
    EXPECT_EQ(window->Procent->text(), "66.7 % complete");
    EXPECT_EQ(window->pb->value(), 0);
    EXPECT_TRUE(window->Frame1->isHidden());
    EXPECT_TRUE(window->isHidden());
    EXPECT_FALSE(window->isUnloaded());

    // Twice on the same folder adds every song twice; files gone since the listing are still entered by name.
    QFile::remove(in(dir, "b.mp3"));
    window->lblAdd_Click();
    EXPECT_EQ(list.count(), 7);
    expectInStep();
}

TEST_F(AddDir, AFolderWithoutSongsDisablesAddDirAndKeepsTheCount) {
    dir.write("one.wav", "x");
    other.write("readme.txt", "x");
    window->Dir1->setPath(dir.path());
    EXPECT_EQ(window->lblSongs->text(), "Songs in folder : 1");
    window->Dir1->setPath(other.path());
    EXPECT_FALSE(window->lblAdd->isEnabled());
    EXPECT_EQ(window->lblSongs->text(), "Songs in folder : 1");
    window->lblAdd_Click(); // not reachable by the user, and harmless
    EXPECT_EQ(list.count(), 0);
}

TEST_F(AddDir, AnUnreadableDriveLeavesTheWindowWhereItWas) {
    window->Dir1->setPath(dir.path());
    window->Drive1->setDrive(dir.file("no such volume"));
    window->Drive1_Change();
    EXPECT_EQ(window->Dir1->path(), QDir(dir.path()).absolutePath());
    EXPECT_EQ(window->Drive1->drive(), AddFolderWindow::driveOf(window->Dir1->path()));
}

TEST_F(AddDir, TheWindowCannotBeClosedWhileAdding) {
    dir.write("a.mp3", "x");
    window->Dir1->setPath(dir.path());
    window->show();
    std::vector<bool> states;
    QObject::connect(window, &AddFolderWindow::addingChanged, [&](bool adding) {
        states.push_back(adding);
        if (adding) {
            window->close();
            EXPECT_FALSE(window->Dir1->isEnabled());
            EXPECT_FALSE(window->lblCancel->isEnabled());
        }
    });
    window->lblAdd_Click();
    EXPECT_EQ(states, (std::vector<bool>{true, false}));
    EXPECT_FALSE(window->isUnloaded());
    EXPECT_EQ(list.count(), 1);
    EXPECT_TRUE(window->lblAdd->isEnabled());
}

TEST_F(AddDir, AFolderBeyondTheLimitFillsTheListAndSaysSoOnce) {
    for (const char* n : {"a.mp3", "b.mp3", "c.mp3"})
        dir.write(n, "x");
    QList<Song> many;
    for (int i = 0; i < SongList::kMaxEntries - 1; ++i)
        many.append(Song{"/p", "n"});
    list.append(many);
    window->Dir1->setPath(dir.path());
    prompts.answer(Answer::Ok);
    window->lblAdd_Click();
    EXPECT_EQ(list.count(), SongList::kMaxEntries);
    EXPECT_EQ(list.name(SongList::kMaxEntries - 1), "a.mp3");
    EXPECT_EQ(prompts.count(), 1);
    EXPECT_TRUE(window->Frame1->isHidden());
    expectInStep();
}

// Wherever the folder list goes, its own row for the current folder is selected and the drive box names the
// drive that holds it.
TEST_F(AddDir, TheDriveBoxAndTheFolderListFollowTheFolder) {
    QDir().mkpath(in(dir, "deep/er"));
    window->Drive1->setDrive(QStringLiteral("/elsewhere"));
    ASSERT_TRUE(window->Dir1->setPath(in(dir, "deep/er")));
    EXPECT_EQ(window->Drive1->drive(), AddFolderWindow::driveOf(in(dir, "deep/er")));
    EXPECT_EQ(window->Dir1->currentItem()->text(), QStringLiteral("er"));
    EXPECT_EQ(window->Dir1->currentRow(), window->Dir1->currentFolderRow());
}
