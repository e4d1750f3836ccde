#include <QDir>
#include <QElapsedTimer>

#include "console/songlistcommands.h"
#include "playlists/m3uformat.h"
#include "playlists/playlistformats.h"
#include "playlists/playlistpaths.h"
#include "songlistfixture.h"
#include <gtest/gtest.h>

using namespace player;

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using Kind = playlistpaths::Entry::Kind;
using Status = PlaylistRead::Status;
using playlistformats::Id;

namespace {

const QString kFolder = QStringLiteral("/home/u/Lists");

PlaylistRead parse(Id id, const QByteArray& bytes, int limit = SongList::kMaxEntries) {
    return playlistformats::format(id).parse(bytes, kFolder, limit);
}

QStringList pathsOf(const PlaylistRead& r) {
    QStringList out;
    for (const Song& s : r.songs)
        out << s.path;
    return out;
}
QStringList namesOf(const PlaylistRead& r) {
    QStringList out;
    for (const Song& s : r.songs)
        out << s.name;
    return out;
}

} // namespace

TEST(PlaylistPaths, EntriesResolveFromThePlaylistsFolder) {
    const QString longName(5000, QLatin1Char('a'));
    const struct {
        QString text;
        bool uri;
        Kind kind;
        QString path;
    } cases[] = {
        {"/music/a.mp3", false, Kind::File, "/music/a.mp3"},
        {"a.mp3", false, Kind::File, "/home/u/Lists/a.mp3"},
        {"./sub/../b.mp3", false, Kind::File, "/home/u/Lists/b.mp3"},
        {"../../../../etc/x.mp3", false, Kind::File, "/etc/x.mp3"}, // where the list says, nothing read
        {"Mix\\Deep\\c.mp3", false, Kind::File, "/home/u/Lists/Mix/Deep/c.mp3"},
        {"C:\\Music\\d.mp3", false, Kind::File, "C:\\Music\\d.mp3"}, // a drive cannot be resolved here
        {"c:rel.mp3", false, Kind::File, "c:rel.mp3"},
        {"\\\\nas\\share\\e.mp3", false, Kind::File, "\\\\nas\\share\\e.mp3"},
        {"file:///m/a%20b%C3%A9.mp3", false, Kind::File, "/m/a b\u00e9.mp3"},
        {"file:///m/k%F6ln.mp3", false, Kind::File, "/m/k\u00f6ln.mp3"}, // 8-bit escapes
        {"FILE://localhost/m/f.mp3", false, Kind::File, "/m/f.mp3"},
        {"file:/m/g.mp3", false, Kind::File, "/m/g.mp3"},
        {"file:///C:/Music/h.mp3", false, Kind::File, "C:\\Music\\h.mp3"},
        {"file:///D|/h.mp3", false, Kind::File, "D:\\h.mp3"},
        // Not drives: a name that only starts like one, and a colon the writer escaped.
        {"file:///m%7Cocal.mp3", false, Kind::File, "/m|ocal.mp3"},
        {"file:///m|ocal.mp3", false, Kind::File, "/m|ocal.mp3"},
        {"file:///c%3A/x.mp3", false, Kind::File, "/c:/x.mp3"},
        {"file://server/m/i.mp3", false, Kind::Remote, ""},
        {"http://radio.example/stream", false, Kind::Remote, ""},
        {"rtsp://cam/1", false, Kind::Remote, ""},
        {"a%20b.mp3", false, Kind::File, "/home/u/Lists/a%20b.mp3"}, // a path is taken as written
        {"a%20b.mp3", true, Kind::File, "/home/u/Lists/a b.mp3"},    // a URI reference is decoded
        {"", false, Kind::Unusable, ""},
        {QString::fromLatin1("a\0b.mp3", 7), false, Kind::Unusable, ""},
        {"file:///m/a%00b.mp3", false, Kind::Unusable, ""},
        {longName, false, Kind::Unusable, ""},
    };
    for (const auto& c : cases) {
        const playlistpaths::Entry e = playlistpaths::resolve(c.text, kFolder, c.uri);
        EXPECT_EQ(e.kind, c.kind) << c.text.left(60).toStdString();
        if (c.kind == Kind::File) {
            EXPECT_EQ(e.path, c.path) << c.text.toStdString();
        }
    }
}

TEST(PlaylistPaths, SongsUnderTheFolderAreStoredRelativeOthersAbsolute) {
    const struct {
        QString song;
        QString path;
        QString uri;
    } cases[] = {
        {"/home/u/Lists/a.mp3", "a.mp3", "a.mp3"},
        {"/home/u/Lists/Sub Dir/\u00e9.mp3", "Sub Dir/\u00e9.mp3", "Sub%20Dir/%C3%A9.mp3"},
        {"/home/u/Lists/#1.mp3", "./#1.mp3", "./%231.mp3"},    // not a comment line
        {"/home/u/Lists/c:x.mp3", "./c:x.mp3", "./c%3Ax.mp3"}, // not a drive
        {"/home/u/ListsX/a.mp3", "/home/u/ListsX/a.mp3", "file:///home/u/ListsX/a.mp3"},
        {"/home/u/Lists/../b.mp3", "/home/u/b.mp3", "file:///home/u/b.mp3"},
        {"C:\\Music\\c d.mp3", "C:\\Music\\c d.mp3", "file:///C:/Music/c%20d.mp3"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(playlistpaths::stored(c.song, kFolder), c.path) << c.song.toStdString();
        EXPECT_EQ(playlistpaths::storedUri(c.song, kFolder), c.uri) << c.song.toStdString();
        // What is stored reads back as the song.
        const QString back = playlistpaths::resolve(c.uri, kFolder, true).path;
        EXPECT_EQ(back, c.song.contains('\\') ? c.song : QDir::cleanPath(c.song)) << c.song.toStdString();
    }
    // A path relative to the working folder is stored from where it points.
    EXPECT_EQ(playlistpaths::stored("x.mp3", "/nowhere"), QDir::current().absoluteFilePath("x.mp3"));
}

TEST(PlaylistFormats, FormatIsToldByContentFirstAndNameSecond) {
    const struct {
        const char* name;
        QString head;
        const char* extension; // nullptr: none of these formats
    } cases[] = {
        {"list.m3u", "#EXTM3U\n", "m3u8"},
        {"list.pls", "#EXTM3U\n/a.mp3", "m3u8"}, // content wins over the name
        {"list.txt", " [Playlist]\nFile1=a", "pls"},
        {"list", "<?xml version=\"1.0\"?>\n<playlist xmlns=\"http://xspf.org/ns/0/\">", "xspf"},
        {"LIST.M3U", "/a.mp3\n", "m3u"},
        {"list.m3u8", "", "m3u8"},
        {"list.PLS", "garbage", "pls"},
        {"list.xspf", "not xml", "xspf"},
        {"list.mdp", "-<>Playlist<>-\r\n", nullptr},
        {"list.txt", "/a.mp3\n", nullptr},
    };
    for (const auto& c : cases) {
        const PlaylistFormat* f = playlistformats::detect(c.name, c.head);
        EXPECT_EQ(f ? f->extension().toStdString() : "none", c.extension ? c.extension : "none") << c.name;
    }
}

TEST(PlaylistFormats, M3uAsOtherPlayersWriteIt) {
    const QByteArray extended = "\xEF\xBB\xBF#EXTM3U\r\n"
                                "#EXTINF:123,Artist - Title\r\n"
                                "/m/one.mp3\r\n"
                                "#EXTINF:-1 tvg-name=\"a, b\",Quoted\r\n"
                                "two.mp3\r\n"
                                "# a comment\r\n"
                                "\r\n"
                                "#EXTINF:5,A stream\r\n"
                                "http://radio.example/live\r\n"
                                "   ../three.wav\r"              // a lone CR ends a line; the stream's
                                "#EXTINF:1,\r\nMix\\four.mp3\n"; // title went with it
    const PlaylistRead r = parse(Id::M3u8, extended);
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_EQ(pathsOf(r), (QStringList{"/m/one.mp3", "/home/u/Lists/two.mp3", "/home/u/three.wav",
                                       "/home/u/Lists/Mix/four.mp3"}));
    EXPECT_EQ(namesOf(r), (QStringList{"Artist - Title", "Quoted", "three.wav", "four.mp3"}));
    EXPECT_EQ(r.skipped, 1);

    // A plain list from a Windows machine, in its 8-bit code page.
    const PlaylistRead plain = parse(Id::M3u, "C:\\Musik\\K\xF6ln.mp3\r\nD:\\x.wav\r\n");
    EXPECT_EQ(pathsOf(plain), (QStringList{"C:\\Musik\\K\u00f6ln.mp3", "D:\\x.wav"}));
    EXPECT_EQ(namesOf(plain), (QStringList{"K\u00f6ln.mp3", "x.wav"}));

    // UTF-16, as some editors save it.
    const QString utf16Text = QStringLiteral("#EXTM3U\n/m/\u65e5.mp3\n");
    QByteArray utf16("\xFF\xFE");
    utf16.append(reinterpret_cast<const char*>(utf16Text.utf16()), utf16Text.size() * 2);
    EXPECT_EQ(pathsOf(parse(Id::M3u8, utf16)), QStringList{"/m/\u65e5.mp3"});
}

TEST(PlaylistFormats, PlsKeysInAnyOrderAndCaseAndALyingCount) {
    const QByteArray pls = "[Playlist]\r\n"
                           "NumberOfEntries=7\r\n"
                           "title2=Second\r\n"
                           "FILE2=b.mp3\r\n"
                           "File1 = /m/a.mp3\r\n"
                           "File10=http://stream.example/\r\n"
                           "Title3=No file, no entry\r\n"
                           "Length1=-1\r\n"
                           "File4=\r\n"
                           "[other]\r\nFile0=/not/this.mp3\r\n"
                           "Version=2\r\n";
    const PlaylistRead r = parse(Id::Pls, pls);
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_EQ(pathsOf(r), (QStringList{"/m/a.mp3", "/home/u/Lists/b.mp3"}));
    EXPECT_EQ(namesOf(r), (QStringList{"a.mp3", "Second"}));
    EXPECT_EQ(r.skipped, 2); // the stream and the empty File4

    EXPECT_EQ(parse(Id::Pls, "File1=/a.mp3\n").songs.size(), 1); // no section, still a list of files
    EXPECT_EQ(parse(Id::Pls, "just text\n").status, Status::Invalid);
    EXPECT_EQ(parse(Id::Pls, "[playlist]\nNumberOfEntries=99999999\n").songs.size(), 0);
}

// Room for two songs, behind forty streams: the two songs come in and the third is told, not lost unnoticed.
TEST(PlaylistFormats, PlsBoundsCountSongsNotEntryNumbers) {
    QByteArray pls = "[playlist]\n";
    for (int i = 1; i <= 43; ++i)
        pls += "File" + QByteArray::number(i) + (i <= 40 ? "=http://radio/" : "=/m/") +
               QByteArray::number(i) + ".mp3\nTitle" + QByteArray::number(i) + "=T" + QByteArray::number(i) +
               "\n";
    const PlaylistRead r = parse(Id::Pls, pls, 2);
    EXPECT_EQ(pairs(r.songs), (QStringList{"/m/41.mp3|T41", "/m/42.mp3|T42"}));
    EXPECT_TRUE(r.more);
    EXPECT_EQ(r.skipped, 40);
    EXPECT_FALSE(parse(Id::Pls, pls, 3).more);
}

TEST(PlaylistFormats, XspfWithTrackList) {
    const QByteArray xspf = R"(<?xml version="1.0" encoding="UTF-8"?>
<playlist version="1" xmlns="http://xspf.org/ns/0/">
  <title>Mix</title>
  <trackList>
    <track><location>file:///m/a%20b.mp3</location><title>Song</title><creator>Band</creator></track>
    <track><title>Only title</title><location>sub/c%23.ogg</location></track>
    <track><location>http://stream.example/x</location><location>/m/local.mp3</location></track>
    <track><location>https://stream.example/y</location></track>
    <track><creator>Nobody</creator><location>file:///m/d.wav</location></track>
    <track><title>No location</title></track>
  </trackList>
</playlist>)";
    const PlaylistRead r = parse(Id::Xspf, xspf);
    EXPECT_EQ(r.status, Status::Ok);
    EXPECT_EQ(pathsOf(r),
              (QStringList{"/m/a b.mp3", "/home/u/Lists/sub/c#.ogg", "/m/local.mp3", "/m/d.wav"}));
    EXPECT_EQ(namesOf(r), (QStringList{"Band - Song", "Only title", "local.mp3", "d.wav"}));
    EXPECT_EQ(r.skipped, 1);

    const struct {
        QByteArray bytes;
        Status status;
        int songs;
    } bad[] = {
        {"not xml at all", Status::Invalid, 0},
        {"<?xml version=\"1.0\"?><html/>", Status::Invalid, 0},
        {"<playlist><trackList><track><location>/a.mp3</location></track><track><location>/b",
         Status::Damaged, 1},
        {"<playlist><trackList><track><location>&nope;</location></track></trackList></playlist>",
         Status::Damaged, 0},
    };
    for (const auto& c : bad) {
        const PlaylistRead b = parse(Id::Xspf, c.bytes);
        EXPECT_EQ(b.status, c.status) << c.bytes.toStdString();
        EXPECT_EQ(b.songs.size(), c.songs) << c.bytes.toStdString();
        EXPECT_FALSE(b.error.isEmpty());
    }
}

TEST(PlaylistFormats, XspfEntitiesAreNeverExpandedNorFetched) {
    TempDir dir;
    const QString secret = dir.write("secret.txt", "/secret/song.mp3");
    QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE playlist [\n<!ENTITY l0 \"ha\">\n";
    for (int i = 1; i < 10; ++i)
        laughs += QStringLiteral("<!ENTITY l%1 \"&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;&l%2;\">\n")
                      .arg(i)
                      .arg(i - 1)
                      .toUtf8();
    laughs += "]>\n<playlist><trackList><track><title>&l9;</title><location>/a.mp3</location></track>"
              "</trackList></playlist>";
    const QByteArray external = "<?xml version=\"1.0\"?>\n<!DOCTYPE playlist [\n<!ENTITY x SYSTEM \"file://" +
                                secret.toUtf8() +
                                "\">\n]>\n<playlist><trackList><track><location>&x;</location></track>"
                                "</trackList></playlist>";
    for (const QByteArray& bytes : {laughs, external}) {
        const PlaylistRead r = parse(Id::Xspf, bytes);
        EXPECT_EQ(r.status, Status::Invalid);
        EXPECT_TRUE(r.songs.isEmpty());
        EXPECT_TRUE(r.error.contains("entities"));
    }
}

// Write, read back, the same songs, for every format another program reads.
class PlaylistRoundTrip : public ::testing::TestWithParam<Id> {};

TEST_P(PlaylistRoundTrip, SongsComeBackAsTheyWere) {
    TempDir dir;
    const QString folder = QDir(dir.path()).filePath("lists");
    const QList<Song> songs = {
        {folder + "/a.mp3", "Plain"},
        {folder + "/Sub Dir/\u00e9t\u00e9 \u65e5\u672c.mp3", "\u00c9t\u00e9 \u65e5\u672c, \"quoted\" <&>"},
        {folder + "/#hash 100%.mp3", "Hash = percent"},
        {dir.path() + "/elsewhere/b.wav", "Outside the folder"},
        {"C:\\Music\\c.mp3", "From Windows"},
    };
    const QString path = folder + "/list." + playlistformats::format(GetParam()).extension();
    QDir().mkpath(folder);
    ASSERT_TRUE(playlistformats::write(path, playlistformats::format(GetParam()), songs).ok);
    const PlaylistRead r = playlistformats::read(path, playlistformats::format(GetParam()), 100);
    ASSERT_EQ(r.status, Status::Ok) << r.error.toStdString();
    EXPECT_EQ(pairs(r.songs), pairs(songs));
    // The list and its songs move together: the folder copied elsewhere still finds them.
    const QString moved = dir.path() + "/moved";
    ASSERT_TRUE(QDir().rename(folder, moved));
    const PlaylistRead again = playlistformats::read(moved + "/" + QFileInfo(path).fileName(),
                                                     playlistformats::format(GetParam()), 100);
    ASSERT_EQ(again.songs.size(), songs.size());
    EXPECT_EQ(again.songs[1].path, moved + "/Sub Dir/\u00e9t\u00e9 \u65e5\u672c.mp3");
    EXPECT_EQ(again.songs[3].path, songs[3].path);
}

// A name made from an overlong file name is cut as a title is, never inside a character of two UTF-16 units,
// so what a reader makes of a list is written and read back unchanged (found by the XSPF fuzzer).
TEST_P(PlaylistRoundTrip, ANameFromAnOverlongFileNameComesBackTheSame) {
    const PlaylistFormat& format = playlistformats::format(GetParam());
    const QString path = "/music/" + QString(playlistpaths::kMaxNameLength - 1, 'x') + "\U0001F3B5 tail.mp3";
    const Song song{path, playlistpaths::displayName(path)};
    ASSERT_LE(song.name.size(), playlistpaths::kMaxNameLength);
    ASSERT_FALSE(song.name.back().isHighSurrogate());
    const PlaylistRead r = format.parse(format.serialize({song}, "/lists"), "/lists", 10);
    ASSERT_EQ(r.songs.size(), 1);
    EXPECT_EQ(r.songs[0].name, song.name);
}

// What a reader makes of another program's list, saved and read again, is the same list (found by the XSPF
// fuzzer): half a character from a UTF-16 file, and a creator and title that together run past the longest
// name.
TEST(PlaylistFormats, XspfOddTextsComeBackTheSameOnceRead) {
    const QString title = QString(playlistpaths::kMaxNameLength - 2, 't');
    QByteArray utf16 = "\xFF\xFE";
    const QString doc = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?><playlist><trackList>"
                                       "<track><location>/m/a%1b.mp3</location><title>x%2y</title></track>"
                                       "<track><location>/m/c.mp3</location><creator>Band</creator><title>%3"
                                       "</title></track></trackList></playlist>")
                            .arg(QChar(0xD800), QChar(0xDC00), title);
    utf16 += QByteArray(reinterpret_cast<const char*>(doc.utf16()), doc.size() * 2);
    const PlaylistRead first = parse(Id::Xspf, utf16);
    ASSERT_EQ(first.songs.size(), 2) << first.error.toStdString();
    EXPECT_EQ(first.songs[0].path, "/m/a\uFFFDb.mp3");
    EXPECT_EQ(first.songs[0].name, "x\uFFFDy");
    EXPECT_EQ(first.songs[1].name.size(), playlistpaths::kMaxNameLength);
    const PlaylistFormat& xspf = playlistformats::format(Id::Xspf);
    EXPECT_EQ(pairs(parse(Id::Xspf, xspf.serialize(first.songs, kFolder)).songs), pairs(first.songs));
}

INSTANTIATE_TEST_SUITE_P(EveryFormat, PlaylistRoundTrip,
                         ::testing::Values(Id::M3u8, Id::M3u, Id::Pls, Id::Xspf), [](const auto& info) {
                             return playlistformats::format(info.param).extension().toStdString();
                         });

TEST(PlaylistFormats, M3u8IsWrittenExtendedInUtf8) {
    const QByteArray bytes = playlistformats::format(Id::M3u8).serialize(
        {{kFolder + "/x.mp3", "Caf\u00e9\r\nline"}, {"/m/y.mp3", ""}}, kFolder);
    EXPECT_EQ(bytes, QByteArray("#EXTM3U\n#EXTINF:-1,Caf\xC3\xA9  line\nx.mp3\n#EXTINF:-1,\n/m/y.mp3\n"));
}

TEST(PlaylistFormats, HostileInputEndsWithTheReadablePart) {
    // A million lines: the reader stops once it has more than the list can hold.
    QByteArray million;
    million.reserve(12 * 1000000);
    for (int i = 0; i < 1000000; ++i)
        million += "/m/" + QByteArray::number(i) + ".mp3\n";
    for (Id id : {Id::M3u8, Id::Pls}) {
        QByteArray bytes = million;
        if (id == Id::Pls) {
            bytes = "[playlist]\n";
            for (int i = 1000000; i > 0; --i) // keys from the last, so the lowest numbers come last
                bytes += "File" + QByteArray::number(i) + "=/m/" + QByteArray::number(i) + ".mp3\n";
        }
        const PlaylistRead r = parse(id, bytes, SongList::kMaxEntries);
        EXPECT_EQ(r.songs.size(), SongList::kMaxEntries);
        EXPECT_TRUE(r.more);
        EXPECT_EQ(r.songs.first().path, id == Id::Pls ? "/m/1.mp3" : "/m/0.mp3");
    }
    // A 10 MB line, NUL bytes and lone CRs: skipped or split, never taken whole.
    const QByteArray huge = "#EXTM3U\n#EXTINF:1," + QByteArray(10 << 20, 'T') + "\n/" +
                            QByteArray(10 << 20, 'p') + "\n" + QByteArray("/a\0b.mp3\n/ok.mp3\r/ok2.mp3", 25);
    for (Id id : {Id::M3u8, Id::Xspf}) {
        const PlaylistRead r =
            parse(id, id == Id::Xspf ? "<playlist><trackList><track><location>/" + QByteArray(10 << 20, 'p') +
                                           "</location></track></trackList></playlist>"
                                     : QByteArray(huge.constData(), huge.size()));
        EXPECT_EQ(r.skipped, id == Id::Xspf ? 1 : 2);
        EXPECT_EQ(pathsOf(r), id == Id::Xspf ? QStringList() : (QStringList{"/ok.mp3", "/ok2.mp3"}));
    }
}

using ForeignPlaylistCommands = SongListFixture;

TEST_F(ForeignPlaylistCommands, OpenReplacesOnlyARecognisedListAndTellsWhatWasLeftOut) {
    fill({"old"});
    const QString bad = dir.write("broken.xspf", "<html/>");
    prompts.answer(Answer::Ok);
    songlistcommands::loadPlaylist(list, bad, true);
    EXPECT_EQ(prompts.last().text, "Not a valid playlist file\r\nIt is XML, but not a playlist.");
    EXPECT_EQ(allNames(), QStringList{"old"});

    // Our own format keeps its name rule: read only from names ending in "mdp", whatever the content; the
    // user is told why.
    prompts.answer(Answer::Ok);
    songlistcommands::loadPlaylist(list, dir.write("party", "-<>Playlist<>-\r\n/a.mp3\r\nA\r\n"), true);
    EXPECT_EQ(allNames(), QStringList{"old"});
    EXPECT_TRUE(prompts.last().text.contains("was not opened"));
    songlistcommands::loadPlaylist(list, dir.write("list.mdp", "#EXTM3U\n/a.mp3\n"), false);
    EXPECT_EQ(allNames(), (QStringList{"old", "a.mp3"}));

    const int before = prompts.count();
    prompts.answer(Answer::Ok);
    songlistcommands::loadPlaylist(
        list, dir.write("radio.m3u", "#EXTM3U\nhttp://a/\nsong.mp3\nhttps://b/\nmms://c/\n"), true);
    EXPECT_EQ(allPaths(), QStringList{dir.file("song.mp3")});
    ASSERT_EQ(prompts.count(), before + 1);
    EXPECT_TRUE(prompts.last().text.startsWith("3 entries were skipped"))
        << prompts.last().text.toStdString();

    // Too many songs and skipped entries: one notice says both.
    QByteArray many = "[playlist]\nFile1=ftp://x/\n";
    for (int i = 0; i < 5; ++i)
        many += "File" + QByteArray::number(i + 2) + "=/m/" + QByteArray::number(i) + ".mp3\n";
    for (int i = list.count(); i < SongList::kMaxEntries - 2; ++i)
        list.append("x", "/x");
    prompts.answer(Answer::Ok);
    songlistcommands::loadPlaylist(list, dir.write("many.pls", many), false);
    EXPECT_EQ(list.count(), SongList::kMaxEntries);
    EXPECT_TRUE(prompts.last().text.contains("The song list is full"));
    EXPECT_TRUE(prompts.last().text.contains("1 entry was skipped"));
    // Our own format onto the full list: the same notice, nothing added.
    const int told = prompts.count();
    prompts.answer(Answer::Ok);
    songlistcommands::loadPlaylist(list, dir.write("more.mdp", "-<>Playlist<>-\r\n/b.mp3\r\nB\r\n"), false);
    EXPECT_EQ(list.count(), SongList::kMaxEntries);
    ASSERT_EQ(prompts.count(), told + 1);
    EXPECT_TRUE(prompts.last().text.contains("The song list is full"));
}

TEST_F(ForeignPlaylistCommands, SaveTakesTheFormatFromTheTypedExtensionElseTheFilter) {
    list.append("Song", dir.file("song.mp3"));
    dir.write("picked", "old");
    const struct {
        const char* typed;
        int filter;
        const char* written;
        QByteArray start;
    } cases[] = {
        {"a", 0, "a.mdp", "-<>Playlist<>-\r\n"},  // our own: its extension added, so Open lists it
        {"b", -1, "b.mdp", "-<>Playlist<>-\r\n"}, // a dialog that does not say
        {"b2.", 0, "b2.mdp", "-<>Playlist<>-\r\n"},
        {"b3.list", 0, "b3.list", "-<>Playlist<>-\r\n"}, // a typed extension is the user's
        {"picked", 0, "picked", "-<>Playlist<>-\r\n"},   // an existing file picked in the dialog
        {"c", 1, "c.m3u8", "#EXTM3U\n#EXTINF:-1,Song\nsong.mp3\n"},
        {"d", 2, "d.pls", "[playlist]\nFile1=song.mp3\nTitle1=Song\n"},
        {"e", 3, "e.xspf", "<?xml"},
        {"f.PLS", 0, "f.PLS", "[playlist]"},
        {"g.m3u", 3, "g.m3u", "#EXTM3U"},
        {"h.mdp", 2, "h.mdp", "-<>Playlist<>-"},
    };
    for (const auto& c : cases) {
        prompts.answerFile(dir.file(c.typed), c.filter);
        EXPECT_EQ(songlistcommands::savePlaylist(list), songlistcommands::SaveOutcome::Written) << c.typed;
        EXPECT_TRUE(TempDir::read(dir.file(c.written)).startsWith(c.start)) << c.written;
    }
    EXPECT_EQ(prompts.last().dialog.filter,
              "Playlist files|*.mdp|M3U8 playlists|*.m3u8|PLS playlists|*.pls|XSPF playlists|*.xspf");

    // A failed write is told, with no offer to append to a format that has no append.
    prompts.answerFile(dir.file("no/such/folder/x.m3u8")).answer(Answer::Ok);
    EXPECT_EQ(songlistcommands::savePlaylist(list), songlistcommands::SaveOutcome::NotWritten);
    EXPECT_TRUE(prompts.last().text.contains("could not be written"));
}

TEST_F(ForeignPlaylistCommands, AnotherProgramsPlaylistIsReplacedOnlyWhenTheUserSaysYes) {
    list.append("Song", dir.file("song.mp3"));
    const QByteArray theirs = "#EXTM3U\n/their/song.mp3\n";
    const struct {
        const char* typed;
        int filter;
        const char* target;
        Answer answer;
    } cases[] = {
        {"t.m3u8", 0, "t.m3u8", Answer::Yes},    {"t.m3u8", 0, "t.m3u8", Answer::No},
        {"t.m3u8", 0, "t.m3u8", Answer::Cancel}, // Escape or the box's close button
        {"t", 1, "t.m3u8", Answer::No},          // named by the filter
        {"t.PLS", 0, "t.PLS", Answer::No},       {"t.xspf", 0, "t.xspf", Answer::No},
    };
    for (const auto& c : cases) {
        const QString target = dir.write(c.target, theirs);
        prompts.clear();
        prompts.answerFile(dir.file(c.typed), c.filter).answer(c.answer);
        const bool yes = c.answer == Answer::Yes;
        EXPECT_EQ(songlistcommands::savePlaylist(list),
                  yes ? songlistcommands::SaveOutcome::Written : songlistcommands::SaveOutcome::NotWritten);
        EXPECT_EQ(TempDir::read(target) == theirs, !yes) << c.typed;
        ASSERT_EQ(prompts.count(), 2);
        EXPECT_EQ(prompts.last().text, target + "\r\nalready exists. Do you want to replace it?");
        EXPECT_EQ(prompts.last().buttons, Buttons::YesNo);
        EXPECT_EQ(prompts.last().icon, Icon::Question);
        EXPECT_EQ(prompts.last().defaultAnswer, Answer::No);
    }
    // Our own format is replaced without a question, as it always was.
    const QString own = dir.write("own.mdp", "old");
    prompts.clear();
    prompts.answerFile(own, 0);
    EXPECT_EQ(songlistcommands::savePlaylist(list), songlistcommands::SaveOutcome::Written);
    EXPECT_EQ(prompts.count(), 1);
}
