#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "console/songlistcommands.h"
#include "playlists/playlistfile.h"
#include "playlists/playlistformats.h"
#include "playlists/playlistpaths.h"
#include "songlistfixture.h"

using namespace player;

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using Status = PlaylistFile::Status;

namespace {

const QString kThreeWay = QStringLiteral(
    "What are you trying to do?\r\nOverwrite? Press Yes\r\nAppend? Press No\r\nDo nothing? Press Cancel");

// Root passes every permission check; without these capabilities this thread meets file permissions as their
// owner does (for anyone else it changes nothing).
class AsFileOwner {
public:
    AsFileOwner() {
        syscall(SYS_capget, &m_header, m_old);
        __user_cap_data_struct now[2];
        std::memcpy(now, m_old, sizeof now);
        for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            now[cap / 32].effective &= ~(1u << (cap % 32));
        syscall(SYS_capset, &m_header, now);
    }
    ~AsFileOwner() { syscall(SYS_capset, &m_header, m_old); }
    AsFileOwner(const AsFileOwner&) = delete;
    AsFileOwner& operator=(const AsFileOwner&) = delete;

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_old[2]{};
};

} // namespace

TEST(PlaylistFileFormat, EmptyListIsTheHeaderLineAlone) {
    EXPECT_EQ(PlaylistFile::serialize({}, true), QByteArray("-<>Playlist<>-\r\n"));
    EXPECT_EQ(
        PlaylistFile::serialize({{"C:\\Music\\one.mp3", "one.mp3"}, {"D:\\Mix\\two.wav", "My second song"}},
                                true),
        QByteArray(
            "-<>Playlist<>-\r\nC:\\Music\\one.mp3\r\none.mp3\r\nD:\\Mix\\two.wav\r\nMy second song\r\n"));
    EXPECT_EQ(PlaylistFile::serialize({{"p", "n"}}, false), QByteArray("p\r\nn\r\n"));
}

TEST(PlaylistFileFormat, OnlyNamesEndingInLowerCaseMdpAreTaken) {
    const struct {
        const char* name;
        bool taken;
    } cases[] = {{"list.mdp", true}, {"list.xmdp", true}, {"list.MDP", false},
                 {"party", false},   {"", false},         {"list.mdp.txt", false}};
    for (const auto& c : cases)
        EXPECT_EQ(PlaylistFile::hasPlaylistName(c.name), c.taken) << c.name;
}

TEST(PlaylistFileFormat, ParseCases) {
    const struct {
        QByteArray bytes;
        Status status;
        int songs;
    } cases[] = {
        {"", Status::Unreadable, 0},
        {"-<>Playlist<>-", Status::Ok, 0},
        {"-<>Playlist<>-\r\n", Status::Ok, 0},
        {"-<>playlist<>-\r\n", Status::BadHeader, 0},
        {"-<>Playlist<>- \r\n", Status::BadHeader, 0},
        {" -<>Playlist<>-\r\n", Status::BadHeader, 0},
        {QByteArray("\x7f\x45\x4c\x46\x00\x01\xff\xfe\r\n\x00\x00", 12), Status::BadHeader, 0},
        {"-<>Playlist<>-\r\na\r\nb\r\nc\r\n", Status::Truncated, 1}, // a lone path line is dropped
        {"-<>Playlist<>-\r\na\r\nb\r\n\r\n", Status::Truncated, 1},  // a trailing empty line likewise
        {"-<>Playlist<>-\r\na\r\nb", Status::Ok, 1},                 // no terminator on the last line
        {"-<>Playlist<>-\na\rb\r\nc\n\nd\re\r", Status::Ok, 3},      // lone LF and lone CR end lines too
    };
    for (const auto& c : cases) {
        const auto r = PlaylistFile::parse(c.bytes);
        EXPECT_EQ(r.status, c.status) << c.bytes.toStdString();
        EXPECT_EQ(r.songs.size(), c.songs) << c.bytes.toStdString();
    }
    const auto mixed = PlaylistFile::parse("-<>Playlist<>-\na\rb\r\nc\n\nd\re\r");
    ASSERT_EQ(mixed.songs.size(), 3);
    EXPECT_EQ(mixed.songs[1].path, "c");
    EXPECT_EQ(mixed.songs[1].name, "");
    EXPECT_EQ(mixed.songs[2].path, "d");
}

TEST(PlaylistFileFormat, EncodingIsChosenSoNoCharacterIsLost) {
    const struct {
        QString text;
        bool utf8;
    } cases[] = {
        {QStringLiteral("plain ascii"), false},
        {QStringLiteral("Beyonc\u00e9 \u20ac \u2122 \u0081"), false}, // all in Windows-1252
        {QStringLiteral("\u00c3\u00a9"), true}, // in Windows-1252 these bytes would read back as UTF-8
        {QStringLiteral("\u65e5\u672c \u00e9"), true},
        {QStringLiteral("emoji \U0001F3B5"), true},
    };
    for (const auto& c : cases) {
        const QByteArray bytes = PlaylistFile::encode(c.text);
        EXPECT_EQ(bytes == c.text.toUtf8() && bytes.size() != c.text.size(), c.utf8) << c.text.toStdString();
        EXPECT_EQ(PlaylistFile::decode(bytes), c.text) << c.text.toStdString();
    }
    // Files of older programs in the 8-bit code page, and UTF-8 with a byte-order mark, read as meant.
    EXPECT_EQ(PlaylistFile::decode("caf\xe9 \x80"), QStringLiteral("caf\u00e9 \u20ac"));
    EXPECT_EQ(PlaylistFile::decode("\xEF\xBB\xBF"
                                   "caf\xc3\xa9"),
              QStringLiteral("caf\u00e9"));
    // Every byte reads as a character, including those the code page leaves undefined.
    QByteArray all;
    for (int b = 1; b < 256; ++b)
        all.append(static_cast<char>(b));
    all.append('\xff'); // not UTF-8
    EXPECT_EQ(PlaylistFile::encode(PlaylistFile::decode(all)), all);
    // A large file is looked at in slices: a character across a slice's end still reads as UTF-8.
    for (const int before : {16363, 16364, 16365}) {
        const QString name = QString(before, QLatin1Char('a')) + QString(4, QChar(0x65e5));
        const auto r = PlaylistFile::parse("-<>Playlist<>-\r\n/p\r\n" + name.toUtf8() + "\r\n");
        ASSERT_EQ(r.songs.size(), 1);
        EXPECT_EQ(r.songs[0].name, name) << before;
    }
}

TEST(PlaylistFileFormat, AByteOrderMarkCharacterInsideTheTextIsKept) {
    // Only the file's own mark is dropped; a path or name that starts with U+FEFF reads back unchanged.
    const QList<Song> songs = {{QStringLiteral("\ufeff/m/a.mp3"), QStringLiteral("\ufeff\ufeffA")},
                               {QStringLiteral("/m/b.mp3"), QStringLiteral("\ufeff")}};
    const QByteArray bytes = PlaylistFile::serialize(songs, true);
    for (const QByteArray& file : {bytes, QByteArray("\xEF\xBB\xBF") + bytes}) {
        const auto r = PlaylistFile::parse(file);
        EXPECT_EQ(r.status, Status::Ok);
        EXPECT_EQ(pairs(r.songs), pairs(songs));
    }
    EXPECT_EQ(PlaylistFile::decode("\xEF\xBB\xBF\xEF\xBB\xBF"
                                   "a"),
              QStringLiteral("\ufeffa"));
}

TEST(PlaylistFileFormat, LongLinesAndNonAsciiRoundTripThroughAFile) {
    TempDir dir;
    const QString path = dir.file("long.mdp");
    const QList<Song> songs = {
        {QString(playlistpaths::kMaxPathLength, QLatin1Char('p')), QString(100000, QLatin1Char('n'))},
        {QStringLiteral("/m\u00fcsik/\u65e5\u672c.mp3"), QStringLiteral("\u65e5\u672c")},
        {QStringLiteral("/music/caf\u00e9.wav"), QStringLiteral("Caf\u00e9 \u20ac")}};
    ASSERT_TRUE(PlaylistFile::write(path, songs, PlaylistFile::Mode::Create).ok);
    const auto r = PlaylistFile::read(path);
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_EQ(pairs(r.songs), pairs(songs));
    EXPECT_EQ(PlaylistFile::read(dir.file("missing.mdp")).status, Status::Unreadable);
}

// The reader takes what the list can hold and paths that can name a file, and says what it left out.
TEST(PlaylistFileFormat, ReadingStopsAtTheLimitAndSkipsOverlongPaths) {
    const QByteArray three = "-<>Playlist<>-\r\na\r\nA\r\nb\r\nB\r\nc\r\nC\r\n";
    const int max = playlistpaths::kMaxPathLength;
    const QByteArray longest = QString(max, QChar(0x65e5)).toUtf8(); // three bytes a character
    const struct {
        QByteArray bytes;
        int limit;
        int songs;
        bool more;
        int skipped;
    } cases[] = {
        {three, 2, 2, true, 0},
        {three, 3, 3, false, 0},
        {three, 0, 0, true, 0},
        {"-<>Playlist<>-\r\n" + QByteArray(max, 'p') + "\r\nn\r\n", 9, 1, false, 0},
        {"-<>Playlist<>-\r\n" + longest + "\r\nn\r\n", 9, 1, false, 0},
        {"-<>Playlist<>-\r\n" + QByteArray(max + 1, 'p') + "\r\nn\r\na\r\nA\r\n", 9, 1, false, 1},
        {"-<>Playlist<>-\r\n" + QByteArray(10 << 20, 'p') + "\r\nn\r\n" + QByteArray(max + 1, 'p') +
             "\r\nn\r\n",
         9, 0, false, 2},
    };
    for (const auto& c : cases) {
        const auto r = PlaylistFile::parse(c.bytes, c.limit);
        SCOPED_TRACE(c.bytes.left(40).toStdString());
        EXPECT_EQ(r.status, Status::Ok);
        EXPECT_EQ(r.songs.size(), c.songs);
        EXPECT_EQ(r.more, c.more);
        EXPECT_EQ(r.skipped, c.skipped);
    }

    // Too large to be a playlist, and a pipe that would never end: not read at all.
    TempDir dir;
    const QString large = dir.write("large.mdp", "-<>Playlist<>-\r\n");
    ASSERT_TRUE(QFile::resize(large, playlistformats::kMaxFileSize + 1)); // sparse: costs no disk
    EXPECT_EQ(PlaylistFile::read(large).status, Status::TooLarge);
    const QString pipe = dir.file("pipe.mdp");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(PlaylistFile::read(pipe).status, Status::Unreadable);
}

TEST(PlaylistFileFormat, AWriteThatFailsAfterOpeningIsReported) {
    const auto r = PlaylistFile::write("/dev/full", {{"p", "n"}}, PlaylistFile::Mode::Create);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
}

// --- the commands on the list ---

using PlaylistCommands = SongListFixture;

TEST_F(PlaylistCommands, OpenReplacesAndAddPlaylistAppends) {
    const QString path = dir.write("two.mdp", "-<>Playlist<>-\r\n/a.mp3\r\nA\r\n/b.wav\r\nB\r\n");
    fill({"old"});
    prompts.answerFile(path);
    songlistcommands::openPlaylist(list, true);
    EXPECT_EQ(allNames(), (QStringList{"A", "B"}));
    EXPECT_EQ(allPaths(), (QStringList{"/a.mp3", "/b.wav"}));
    EXPECT_EQ(prompts.last().dialog.filter, songlistcommands::playlistOpenFilter());
    EXPECT_TRUE(songlistcommands::playlistOpenFilter().contains("|playlist files (*.mdp)|*.mdp|"));

    prompts.answerFile(path); // the same file again doubles every entry
    songlistcommands::openPlaylist(list, false);
    EXPECT_EQ(allNames(), (QStringList{"A", "B", "A", "B"}));
    expectInStep();
}

TEST_F(PlaylistCommands, FilesThatAreNotReadLeaveTheListAsItWas) {
    const struct {
        const char* name;
        QByteArray bytes;
        bool message;
    } cases[] = {
        {"cancelled", {}, false},
        {"list.MDP", "-<>Playlist<>-\r\n/a\r\nA\r\n", true},
        {"party", "-<>Playlist<>-\r\n/a\r\nA\r\n", true},
        {"empty.mdp", "", false},
        {"blank.mdp", "-<>Playlist<>- \r\n/a\r\nA\r\n", true},
        {"case.mdp", "-<>PLAYLIST<>-\r\n/a\r\nA\r\n", true},
        {"garbage.mdp", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), true},
    };
    for (const bool replace : {true, false}) {
        for (const auto& c : cases) {
            list.clear();
            fill({"keep"});
            prompts.clear();
            prompts.answerFile(
                QLatin1String(c.name) == QLatin1String("cancelled") ? QString() : dir.write(c.name, c.bytes));
            if (c.message)
                prompts.answer(Answer::Ok);
            songlistcommands::openPlaylist(list, replace);
            EXPECT_EQ(allNames(), QStringList{"keep"}) << c.name;
            expectInStep();
            if (c.message && !QLatin1String(c.name).endsWith(QLatin1String("mdp"))) {
                // A name that does not qualify: said why, whatever the content.
                EXPECT_TRUE(
                    prompts.last().text.startsWith(dir.file(c.name) + "\r\nwas not opened: the names"));
                EXPECT_EQ(prompts.last().icon, Icon::Information);
            } else if (c.message) {
                EXPECT_EQ(prompts.last().text, "Not a valid playlist file");
                EXPECT_EQ(prompts.last().title, "Deckmora");
                EXPECT_EQ(prompts.last().icon, Icon::Information);
            } else {
                EXPECT_EQ(prompts.count(), 1) << c.name; // the dialog alone
            }
        }
    }
}

TEST_F(PlaylistCommands, ATruncatedFileYieldsItsCompletePairs) {
    prompts.answerFile(dir.write("three.mdp", "-<>Playlist<>-\r\n/a\r\nA\r\n/b"));
    fill({"old"});
    songlistcommands::openPlaylist(list, true);
    EXPECT_EQ(allNames(), QStringList{"A"});
    EXPECT_EQ(allPaths(), QStringList{"/a"});
}

TEST_F(PlaylistCommands, WhatAPlaylistLeftOutIsToldInOneNotice) {
    const QString large = dir.write("large.mdp", "-<>Playlist<>-\r\n");
    ASSERT_TRUE(QFile::resize(large, playlistformats::kMaxFileSize + 1));
    const QString three = dir.write("three.mdp", "-<>Playlist<>-\r\n/a\r\nA\r\n/b\r\nB\r\n/c\r\nC\r\n");
    const QString odd =
        dir.write("odd.mdp", "-<>Playlist<>-\r\n/" + QByteArray(5000, 'p') + "\r\nP\r\n/a\r\nA\r\n");
    const struct {
        QString path;
        int room;
        int added;
        const char* told;
    } cases[] = {
        {large, 5, 0, "cannot be read: It is too large to be a playlist."},
        {three, 2, 2, "The song list is full"},
        {three, 0, 0, "The song list is full"},
        {odd, 5, 1, "1 entry was skipped: paths longer than any file system takes are not added."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path.toStdString() + " " + std::to_string(c.room));
        list.clear();
        list.append(QList<Song>(SongList::kMaxEntries - c.room, Song{"/x", "x"}));
        prompts.clear();
        prompts.answer(Answer::Ok);
        songlistcommands::loadPlaylist(list, c.path, false);
        EXPECT_EQ(list.count(), SongList::kMaxEntries - c.room + c.added);
        ASSERT_EQ(prompts.count(), 1);
        EXPECT_TRUE(prompts.last().text.contains(QLatin1String(c.told))) << prompts.last().text.toStdString();
    }
}

TEST_F(PlaylistCommands, SaveWritesTheListAndSelectsTheLastEntry) {
    const QString path = dir.file("out.mdp");
    dir.write("out.mdp", "old contents that are longer than the new file will be");
    prompts.answerFile(path);
    EXPECT_EQ(songlistcommands::savePlaylist(list), songlistcommands::SaveOutcome::Written);
    EXPECT_EQ(TempDir::read(path), QByteArray("-<>Playlist<>-\r\n"));
    // Our own format stays the first, so the default.
    EXPECT_TRUE(prompts.last().dialog.filter.startsWith("Playlist files|*.mdp|"));

    list.append(QStringLiteral("Caf\u00e9 \u65e5\u672c"), QStringLiteral("/m/\u65e5\u672c.mp3"));
    list.append("b", "/m/b.wav");
    list.select(0);
    prompts.answerFile(path);
    songlistcommands::savePlaylist(list);
    EXPECT_EQ(list.selectedIndex(), 1);
    EXPECT_EQ(list.count(), 2);

    list.clear();
    prompts.answerFile(path);
    songlistcommands::openPlaylist(list, true);
    EXPECT_EQ(allNames(), (QStringList{QStringLiteral("Caf\u00e9 \u65e5\u672c"), "b"}));
    EXPECT_EQ(allPaths(), (QStringList{QStringLiteral("/m/\u65e5\u672c.mp3"), "/m/b.wav"}));

    prompts.answerFile(QString()); // cancelled: nothing written
    EXPECT_EQ(songlistcommands::savePlaylist(list), songlistcommands::SaveOutcome::Cancelled);
}

TEST_F(PlaylistCommands, AFailedWriteAsksThreeWaysAndASecondFailureIsReported) {
    fill({"a"});
    const struct {
        Answer answer;
        bool notice;
    } cases[] = {{Answer::Cancel, false}, {Answer::Yes, true}, {Answer::No, true}};
    for (const auto& c : cases) {
        prompts.clear();
        prompts.answerFile("/dev/full").answer(c.answer);
        if (c.notice)
            prompts.answer(Answer::Ok);
        EXPECT_EQ(songlistcommands::savePlaylist(list), songlistcommands::SaveOutcome::NotWritten);
        ASSERT_GE(prompts.count(), 2);
        EXPECT_EQ(prompts.records()[1].text, kThreeWay);
        EXPECT_EQ(prompts.records()[1].buttons, Buttons::YesNoCancel);
        EXPECT_EQ(prompts.records()[1].icon, Icon::Question);
        EXPECT_EQ(prompts.count(), c.notice ? 3 : 2);
        if (c.notice) {
            EXPECT_TRUE(prompts.last().text.startsWith("/dev/full\r\n"));
        }
    }
    EXPECT_TRUE(QFileInfo("/dev/full").exists()); // "Overwrite" never deletes what is not a plain file
}

// A folder that takes no new file: the old playlist is never cut and rewritten in place, and a save that
// cannot be made whole says why. Append, asked for, still extends it.
TEST_F(PlaylistCommands, AFolderThatTakesNoNewFileKeepsTheOldPlaylistWhole) {
    fill({"a"});
    const QByteArray old = "-<>Playlist<>-\r\n/old\r\nOld\r\n";
    const QString path = dir.write("locked/list.mdp", old);
    const QString folder = QFileInfo(path).absolutePath();
    const struct {
        Answer answer;
        songlistcommands::SaveOutcome outcome;
        QByteArray after;
    } cases[] = {
        {Answer::Cancel, songlistcommands::SaveOutcome::NotWritten, old},
        {Answer::Yes, songlistcommands::SaveOutcome::NotWritten, old},
        {Answer::No, songlistcommands::SaveOutcome::Written, old + "/music/a\r\na\r\n"},
    };
    AsFileOwner owner;
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.answer));
        dir.write("locked/list.mdp", old);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        prompts.clear();
        prompts.answerFile(path).answer(c.answer);
        if (c.answer == Answer::Yes)
            prompts.answer(Answer::Ok);
        EXPECT_EQ(songlistcommands::savePlaylist(list), c.outcome);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(TempDir::read(path), c.after);
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"list.mdp"}); // no temporary file left
        ASSERT_GE(prompts.count(), 2);
        EXPECT_EQ(prompts.records()[1].text, kThreeWay);
        if (c.answer == Answer::Yes) {
            EXPECT_EQ(prompts.count(), 3);
            EXPECT_TRUE(prompts.last().text.startsWith(path +
                                                       "\r\ncould not be written: its folder takes no new "
                                                       "file"))
                << prompts.last().text.toStdString();
        }
    }
}

TEST_F(PlaylistCommands, ALineBreakInAPathOrNameIsNotSavedAsTwoLines) {
    // Folder names on Linux may hold a line break; stored as is, every pair after it would shift.
    const QString path = dir.file("out.mdp");
    list.append("a", "/m/a.mp3");
    list.append("b", "/m/odd\nname.mp3");
    prompts.answer(Answer::Yes).answerFile(path).answer(Answer::Ok);
    songlistcommands::newPlaylist(list);
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(list.count(), 2);
    EXPECT_TRUE(prompts.last().text.startsWith("/m/odd\nname.mp3\r\n"));
    EXPECT_EQ(PlaylistFile::firstUnstorable({{"a", "b"}, {"c", "d\re"}}), 1);
}

TEST_F(PlaylistCommands, NewEmptiesTheListOnlyWhenItIsSafe) {
    const QString path = dir.file("saved.mdp");
    const struct {
        const char* what;
        QList<std::variant<Answer, QString>> script;
        bool emptied;
        bool written;
    } cases[] = {
        {"No", {Answer::No}, true, false},
        {"Yes, dialog cancelled", {Answer::Yes, QString()}, false, false},
        {"Yes, file chosen", {Answer::Yes, path}, true, true},
        {"Yes, write fails, do nothing",
         {Answer::Yes, QStringLiteral("/dev/full"), Answer::Cancel},
         false,
         false},
        {"Yes, write fails, overwrite fails",
         {Answer::Yes, QStringLiteral("/dev/full"), Answer::Yes, Answer::Ok},
         false,
         false},
    };
    for (const auto& c : cases) {
        QFile::remove(path);
        list.clear();
        fill({"a", "b"});
        prompts.clear();
        for (const auto& step : c.script) {
            if (std::holds_alternative<Answer>(step))
                prompts.answer(std::get<Answer>(step));
            else
                prompts.answerFile(std::get<QString>(step));
        }
        songlistcommands::newPlaylist(list);
        EXPECT_EQ(list.count(), c.emptied ? 0 : 2) << c.what;
        EXPECT_EQ(QFileInfo::exists(path), c.written) << c.what;
        if (c.written) {
            EXPECT_EQ(TempDir::read(path),
                      QByteArray("-<>Playlist<>-\r\n/music/a\r\na\r\n/music/b\r\nb\r\n"));
        }
        EXPECT_EQ(prompts.records()[0].text, "Save current playlist?");
        EXPECT_EQ(prompts.records()[0].buttons, Buttons::YesNo);
        expectInStep();
    }
}

TEST_F(PlaylistCommands, AddFileTakesOnlyExactExtensions) {
    const struct {
        const char* path;
        bool added;
    } cases[] = {
        {"/m/song.MP3", true},  {"/m/song.mp3", true},  {"/m/song.wav", true},  {"/m/song.WAV", true},
        {"/m/song.Mp3", false}, {"/m/song.wAV", false}, {"/m/song.ogg", false}, {"", false}};
    for (const auto& c : cases) {
        list.clear();
        prompts.clear();
        prompts.answerFile(c.path);
        songlistcommands::addFile(list);
        EXPECT_EQ(list.count(), c.added ? 1 : 0) << c.path;
        EXPECT_EQ(prompts.last().dialog.filter, "Music  files (*.mp3;*.wav)|*.mp3;*.wav;");
        if (c.added) {
            EXPECT_EQ(list.name(0), QFileInfo(c.path).fileName());
            EXPECT_EQ(list.path(0), c.path);
        }
    }
}
