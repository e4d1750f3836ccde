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
    EXPECT_FALSE(f.setPath(d.file("nowhere")));
    EXPECT_EQ(f.path(), QDir::cleanPath(d.path()));
    EXPECT_EQ(f.count(), 2); // ".." and "sub"
}
