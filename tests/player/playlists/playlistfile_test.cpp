#include <QFile>
#include <QFileInfo>

#include "console/songlistcommands.h"
#include "playlists/playlistfile.h"
#include "songlistfixture.h"

using namespace player;

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using Status = PlaylistFile::Status;

namespace {

const QString kThreeWay = QStringLiteral(
    "What are you trying to do?\r\nOverwrite? Press Yes\r\nAppend? Press No\r\nDo nothing? Press Cancel");

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
        {QString(100000, QLatin1Char('p')), QString(100000, QLatin1Char('n'))},
        {QStringLiteral("/m\u00fcsik/\u65e5\u672c.mp3"), QStringLiteral("\u65e5\u672c")},
        {QStringLiteral("/music/caf\u00e9.wav"), QStringLiteral("Caf\u00e9 \u20ac")}};
    ASSERT_TRUE(PlaylistFile::write(path, songs, PlaylistFile::Mode::Create).ok);
    const auto r = PlaylistFile::read(path);
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_EQ(pairs(r.songs), pairs(songs));
    EXPECT_EQ(PlaylistFile::read(dir.file("missing.mdp")).status, Status::Unreadable);
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
        {"list.MDP", "-<>Playlist<>-\r\n/a\r\nA\r\n", false},
        {"party", "-<>Playlist<>-\r\n/a\r\nA\r\n", false},
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
            if (c.message) {
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
