#include <QDir>
#include <gtest/gtest.h>

#include "tempdir.h"
#include "ui/filelists.h"

using namespace platform;

TEST(FileLists, SongsByNameIgnoringCaseWithoutHiddenOnes) {
    TempDir d;
    for (const char* n : {"b.MP3", "a.wav", "C.mp3", ".hidden.mp3", "notes.txt", "song.Wav", "x.mp3.txt"})
        d.write(n, "x");
    QDir().mkpath(d.file("folder.mp3")); // a folder is not a song, whatever its name
    EXPECT_EQ(listFiles(d.path(), "*.mp3;*.wav"), (QStringList{"a.wav", "b.MP3", "C.mp3", "song.Wav"}));
    EXPECT_TRUE(listFiles(d.file("missing"), "*.mp3").isEmpty());
}

TEST(FileLists, FoldersSortedAndHiddenLeftOut) {
    TempDir d;
    for (const char* n : {"beta", "Alpha", ".secret", "gamma"})
        QDir().mkpath(d.file(n));
    EXPECT_EQ(listFolders(d.path()), (QStringList{"Alpha", "beta", "gamma"}));
}

TEST(FileLists, JoinPathUsesOneSeparator) {
    EXPECT_EQ(joinPath("/", "a.mp3"), QStringLiteral("/a.mp3"));
    EXPECT_EQ(joinPath("/music", "a.mp3"), QStringLiteral("/music/a.mp3"));
    EXPECT_EQ(joinPath("/music/", "a.mp3"), QStringLiteral("/music/a.mp3"));
}

TEST(FileLists, DrivesStartAtRoot) {
    const QStringList drives = listDrives();
    ASSERT_FALSE(drives.isEmpty());
    EXPECT_EQ(drives.first(), QStringLiteral("/"));
    EXPECT_FALSE(drives.contains("/proc"));
}

TEST(FileLists, FolderListRefusesAnUnreadableFolderAndKeepsItsPlace) {
    TempDir d;
    QDir().mkpath(d.file("sub"));
    FolderList f;
    ASSERT_TRUE(f.setPath(d.path()));
    const int rows = f.count();
    EXPECT_FALSE(f.setPath(d.file("nowhere")));
    EXPECT_EQ(f.path(), QDir::cleanPath(d.path()));
    EXPECT_EQ(f.count(), rows);
}

// The classic folder list: the drive's root, each folder down to the current one a step further in, the
// current one selected, then its sub-folders; any row opens its folder.
TEST(FileLists, FolderListShowsThePathDownToTheCurrentFolder) {
    TempDir d;
    const QString deep = QDir::cleanPath(d.file("a/b"));
    for (const char* sub : {"a/b/y", "a/b/x"})
        QDir().mkpath(d.file(sub));
    FolderList f;
    ASSERT_TRUE(f.setPath(deep));
    const QString root = driveOf(deep);
    QStringList down = deep.mid(root.size()).split('/', Qt::SkipEmptyParts);
    const int depth = down.size();
    down.prepend(root);
    ASSERT_EQ(f.count(), depth + 3);
    for (int i = 0; i <= depth; ++i) {
        EXPECT_EQ(f.item(i)->text(), down[i]);
        EXPECT_EQ(f.item(i)->data(FolderList::kLevelRole).toInt(), i);
    }
    EXPECT_EQ(f.item(depth)->data(FolderList::kPathRole).toString(), deep);
    EXPECT_EQ(f.currentFolderRow(), depth);
    EXPECT_EQ(f.currentRow(), depth);
    EXPECT_EQ(f.item(depth + 1)->text(), QStringLiteral("x"));
    EXPECT_EQ(f.item(depth + 2)->text(), QStringLiteral("y"));
    EXPECT_EQ(f.item(depth + 2)->data(FolderList::kLevelRole).toInt(), depth + 1);

    emit f.itemActivated(f.item(depth - 1)); // one up
    EXPECT_EQ(f.path(), QDir::cleanPath(d.file("a")));
    EXPECT_EQ(f.item(f.currentFolderRow())->text(), QStringLiteral("a"));
    emit f.itemActivated(f.item(0)); // the drive's root
    EXPECT_EQ(f.path(), root);
    EXPECT_EQ(f.currentFolderRow(), 0);
}
