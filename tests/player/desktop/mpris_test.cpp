// The desktop's remote control and the hand-over between starts, driven by real bus clients (playerctl,
// dbus-send, a second deckmora) on the private session bus this program runs under.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QTimer>
#include <QUrl>
#include <cmath>
#include <gtest/gtest.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/xiphcomment.h>

#include "console/songintake.h"
#include "desktop/instance.h"
#include "desktop/mpris.h"
#include "desktop/session.h"
#include "desktop/songtags.h"
#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "scriptedprompts.h"
#include "songfiles.h"
#include "tempdir.h"
#include "ui/imagebutton.h"
#include "waitfor.h"
#include "windowfixture.h"
#include "windows/mainwindow.h"

using namespace player;

using platform::media::PlayState;

namespace {

struct ClientRun {
    int code = -1;
    QString out;
};

// Runs a client with our event loop going, since the service it talks to lives in this process. The time
// limit only keeps a broken client from hanging the suite.
ClientRun run(const QString& program, const QStringList& args, const QString& cwd = {}) {
    QProcess p;
    p.setWorkingDirectory(cwd);
    QEventLoop loop;
    QObject::connect(&p, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&p, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(30000, &loop, &QEventLoop::quit);
    p.start(program, args);
    loop.exec();
    ClientRun r;
    if (p.state() == QProcess::NotRunning && p.exitStatus() == QProcess::NormalExit)
        r.code = p.exitCode();
    else
        p.kill();
    r.out = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    return r;
}

// Counts what the player sends, as another client on the bus sees it.
class Observer : public QObject {
    Q_OBJECT
public:
    Observer()
        : m_bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("observer"))) {
        m_bus.connect({}, QString::fromLatin1(desktop::Mpris::kPath),
                      QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("PropertiesChanged"),
                      this, SLOT(onChanged(QDBusMessage)));
        m_bus.connect({}, QString::fromLatin1(desktop::Mpris::kPath),
                      QStringLiteral("org.mpris.MediaPlayer2.Player"), QStringLiteral("Seeked"), this,
                      SLOT(onSeeked(QDBusMessage)));
    }
    ~Observer() override { QDBusConnection::disconnectFromBus(QStringLiteral("observer")); }
    QStringList changed; // names of changed properties, in order
    QList<qlonglong> seeked;
    int sent = 0;

public slots:
    void onChanged(const QDBusMessage& m) {
        ++sent;
        changed += qdbus_cast<QVariantMap>(m.arguments().value(1)).keys();
    }
    void onSeeked(const QDBusMessage& m) { seeked << m.arguments().value(0).toLongLong(); }

private:
    QDBusConnection m_bus;
};

class BusTest : public WindowFixture {
protected:
    BusTest() : WindowFixture(platform::media::AudioEngine::createOffline(44100)) {}
    void SetUp() override {
        if (!desktop::sessionBusAvailable())
            GTEST_SKIP() << "needs a session bus (ctest runs this under dbus-run-session)";
        w.setQuitAction([this] { ++quits; });
    }

    int quits = 0;
};

class MprisTest : public BusTest {
protected:
    void SetUp() override {
        BusTest::SetUp();
        if (IsSkipped())
            return;
        writeTaggedMp3(dir.file("tagged.mp3"));
        ASSERT_TRUE(songfiles::write(dir.file("plain.wav"), songfiles::Kind::Wav16, 44100, 2,
                                     songfiles::sine(44100 * 2, 2, 44100)));
        w.songList().append("Tagged song", dir.file("tagged.mp3"));
        w.songList().append("Plain song", dir.file("plain.wav"));
        mpris = std::make_unique<desktop::Mpris>(w, dir.file("covers"));
        ASSERT_TRUE(mpris->publish());
        EXPECT_EQ(mpris->serviceName(), "org.mpris.MediaPlayer2.deckmora");
        w.songList().select(0);
        w.LoadToPlayer_Click(0);
    }
    void writeTaggedMp3(const QString& path) {
        ASSERT_TRUE(
            songfiles::write(path, songfiles::Kind::Mp3Cbr, 44100, 2, songfiles::sine(44100 * 3, 2, 44100)));
        TagLib::MPEG::File f(path.toLocal8Bit().constData());
        TagLib::ID3v2::Tag* tag = f.ID3v2Tag(true);
        tag->setTitle("Night Drive");
        tag->setArtist(TagLib::String("Ana Ölund", TagLib::String::UTF8));
        tag->setAlbum("Roads");
        auto* pic = new TagLib::ID3v2::AttachedPictureFrame;
        pic->setMimeType("image/png");
        pic->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        pic->setPicture(TagLib::ByteVector(kCover.constData(), static_cast<unsigned>(kCover.size())));
        tag->addFrame(pic);
        ASSERT_TRUE(f.save());
    }
    ClientRun ctl(const QStringList& args) { return run("playerctl", QStringList{"-p", "deckmora"} + args); }
    // The tags are read on a worker: the metadata carries them once they are in.
    bool titleIs(const QString& title) {
        return waitFor([&] { return mpris->metadata().value("xesam:title").toString() == title; });
    }

    const QByteArray kCover = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(64, 'c');
    std::unique_ptr<desktop::Mpris> mpris;
};

} // namespace

TEST_F(MprisTest, PlayerctlReadsStatusAndMetadata) {
    ASSERT_TRUE(titleIs("Night Drive"));
    EXPECT_TRUE(run("playerctl", {"-l"}).out.split('\n').contains("deckmora"));
    EXPECT_EQ(ctl({"status"}).out, "Stopped");
    const ClientRun meta =
        ctl({"metadata", "--format", "{{title}}|{{artist}}|{{album}}|{{mpris:length}}|{{xesam:url}}"});
    const QStringList f = meta.out.split('|');
    ASSERT_EQ(f.size(), 5) << meta.out.toStdString();
    EXPECT_EQ(f[0], "Night Drive");
    EXPECT_EQ(f[1], "Ana Ölund");
    EXPECT_EQ(f[2], "Roads");
    EXPECT_NEAR(f[3].toLongLong(), 3'000'000, 60'000); // microseconds
    EXPECT_EQ(f[4], QUrl::fromLocalFile(dir.file("tagged.mp3")).toString());
    // The cover lies in the cache once, however often it is read.
    const QString art = ctl({"metadata", "mpris:artUrl"}).out;
    EXPECT_EQ(ctl({"metadata", "mpris:artUrl"}).out, art);
    QFile cover(QUrl(art).toLocalFile());
    ASSERT_TRUE(cover.open(QIODevice::ReadOnly)) << art.toStdString();
    EXPECT_EQ(cover.readAll(), kCover);
    EXPECT_EQ(QDir(dir.file("covers")).entryList(QDir::Files).size(), 1);

    // An untagged song shows its list name.
    w.songList().select(1);
    w.LoadToPlayer_Click(0);
    EXPECT_EQ(ctl({"metadata", "title"}).out, "Plain song");
}

// Each command acts on the active deck and is seen by other clients once: status changes as properties,
// seeks as Seeked; display ticks send nothing.
TEST_F(MprisTest, PlayerctlDrivesTheActiveDeck) {
    Observer seen;
    QCoreApplication::processEvents();
    EXPECT_EQ(ctl({"play-pause"}).code, 0);
    EXPECT_EQ(ui.MP[0]->state(), PlayState::Playing);
    EXPECT_EQ(ctl({"status"}).out, "Playing");
    ASSERT_TRUE(waitFor([&] { return seen.changed.contains("PlaybackStatus"); }, std::chrono::seconds(10)));
    ctl({"play-pause"});
    EXPECT_EQ(ui.MP[0]->state(), PlayState::Paused);

    ctl({"position", "1.5"});
    EXPECT_NEAR(ui.MP[0]->position(), 1.5, 1e-6);
    ctl({"position", "1+"});
    EXPECT_NEAR(ui.MP[0]->position(), 2.5, 1e-6);
    EXPECT_NEAR(ctl({"position"}).out.toDouble(), 2.5, 1e-3);
    ctl({"previous"});
    EXPECT_EQ(ui.MP[0]->position(), 0.0);
    ASSERT_TRUE(waitFor([&] { return seen.seeked.size() == 3; }, std::chrono::seconds(10)));
    EXPECT_EQ(seen.seeked, QList<qlonglong>({1'500'000, 2'500'000, 0}));

    // Next goes on with the entry after the selection, into the active deck, playing.
    ctl({"next"});
    EXPECT_EQ(ui.MP[0]->fileName(), dir.file("plain.wav"));
    EXPECT_EQ(ui.MP[0]->state(), PlayState::Playing);
    EXPECT_EQ(ctl({"metadata", "title"}).out, "Plain song");

    // A press on deck 2's transport makes deck 2 the one the desktop sees.
    w.songList().select(0);
    emit ui.LoadToPlayer[1]->clicked();
    ASSERT_TRUE(titleIs("Night Drive"));
    EXPECT_EQ(ctl({"status"}).out, "Stopped");
    EXPECT_EQ(ctl({"metadata", "title"}).out, "Night Drive");

    ASSERT_TRUE(waitFor([&] { return seen.changed.count("Metadata") >= 2; }, std::chrono::seconds(10)));
    const int before = seen.sent;
    for (int i = 0; i < 200; ++i)
        w.Timer1_Timer();
    run("dbus-send", {"--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                      "org.freedesktop.DBus.GetId"}); // a round trip: anything sent before it has arrived
    QCoreApplication::processEvents();
    EXPECT_EQ(seen.sent, before);
}

// A song change asks a worker for the tags and answers at once with the list's name; of songs left before
// their tags came, nothing shows. A volume that is not a number changes nothing.
TEST_F(MprisTest, TagsComeFromAWorkerAndOnlyTheLastSongsCount) {
    int taken = 0;
    QObject::connect(mpris.get(), &desktop::Mpris::tagsChanged, [&] { ++taken; });
    const QVariantMap first = mpris->metadata();
    EXPECT_EQ(first.value("xesam:title"), "Tagged song");
    EXPECT_FALSE(first.contains("xesam:artist"));
    ASSERT_TRUE(titleIs("Night Drive"));
    EXPECT_EQ(mpris->metadata().value("xesam:artist").toStringList(), QStringList{"Ana Ölund"});
    EXPECT_EQ(taken, 1);

    QFile::copy(dir.file("tagged.mp3"), dir.file("second.mp3"));
    {
        TagLib::MPEG::File f(QFile::encodeName(dir.file("second.mp3")).constData());
        f.ID3v2Tag(true)->setTitle("Second Drive");
        ASSERT_TRUE(f.save());
    }
    w.songList().append("Second", dir.file("second.mp3"));
    taken = 0;
    for (const int row : {1, 0, 2}) { // plain, tagged (already read, so asked again), second
        w.songList().select(row);
        w.LoadToPlayer_Click(0);
        mpris->metadata();
    }
    ASSERT_TRUE(titleIs("Second Drive"));
    EXPECT_EQ(taken, 1);

    mpris->setVolume(0.5);
    const double before = mpris->volume();
    mpris->setVolume(std::nan(""));
    EXPECT_EQ(mpris->volume(), before);
}

// The cover cache keeps the covers used last, within its bounds, and nothing of the folder that is not its
// own.
TEST(SongTags, TheCoverCacheKeepsTheCoversUsedLast) {
    TempDir dir;
    const QString song = dir.file("song.mp3");
    ASSERT_TRUE(songfiles::write(song, songfiles::Kind::Mp3Cbr, 44100, 2, songfiles::sine(4410, 2, 44100)));
    const QString cache = dir.file("covers");
    const QString foreign = dir.write("covers/notes.txt", "mine");
    const auto coverOf = [&](int i) {
        {
            TagLib::MPEG::File f(QFile::encodeName(song).constData());
            TagLib::ID3v2::Tag* tag = f.ID3v2Tag(true);
            tag->removeFrames("APIC");
            auto* pic = new TagLib::ID3v2::AttachedPictureFrame;
            pic->setMimeType("image/png");
            const QByteArray bytes(100 + i, char('a' + i));
            pic->setPicture(TagLib::ByteVector(bytes.constData(), static_cast<unsigned>(bytes.size())));
            tag->addFrame(pic);
            f.save();
        }
        return desktop::readSongTags(song, cache, {3, 1 << 20}).artPath;
    };
    QStringList stored;
    for (const int i : {0, 1, 2, 0, 3, 4})
        stored << coverOf(i);
    EXPECT_EQ(stored[3], stored[0]);
    for (const int at : {0, 4, 5})
        EXPECT_TRUE(QFile::exists(stored[at])) << at;
    for (const int at : {1, 2})
        EXPECT_FALSE(QFile::exists(stored[at])) << at;
    EXPECT_EQ(QDir(cache).entryList(QDir::Files).size(), 4); // three covers and the foreign file
    EXPECT_TRUE(QFile::exists(foreign));
    // A cover larger than the whole cache is not kept.
    EXPECT_TRUE(desktop::readSongTags(song, cache, {3, 50}).artPath.isEmpty());
}

TEST_F(MprisTest, RaiseQuitAndIntrospectionOverDbusSend) {
    auto send = [](const QString& member, const QStringList& extra = {}) {
        return run("dbus-send",
                   QStringList{"--session", "--print-reply", "--dest=org.mpris.MediaPlayer2.deckmora",
                               "/org/mpris/MediaPlayer2", member} +
                       extra);
    };
    const ClientRun xml = send("org.freedesktop.DBus.Introspectable.Introspect");
    ASSERT_EQ(xml.code, 0);
    for (const char* part :
         {"<interface name=\"org.mpris.MediaPlayer2\">", "<interface name=\"org.mpris.MediaPlayer2.Player\">",
          "<method name=\"Raise\"", "<method name=\"SetPosition\">", "<signal name=\"Seeked\">",
          "<property name=\"Metadata\" type=\"a{sv}\" access=\"read\"",
          "<property name=\"Position\" type=\"x\" access=\"read\"",
          "<interface name=\"org.freedesktop.DBus.Properties\">"})
        EXPECT_TRUE(xml.out.contains(QLatin1String(part))) << part;
    const ClientRun id =
        send("org.freedesktop.DBus.Properties.Get", {"string:org.mpris.MediaPlayer2", "string:Identity"});
    EXPECT_TRUE(id.out.contains("\"Deckmora\""));
    const ClientRun types = send("org.freedesktop.DBus.Properties.Get",
                                 {"string:org.mpris.MediaPlayer2", "string:SupportedMimeTypes"});
    for (const char* type :
         {"\"audio/mpeg\"", "\"audio/flac\"", "\"audio/mp4\"", "\"audio/x-deckmora-playlist\""})
        EXPECT_TRUE(types.out.contains(QLatin1String(type))) << type;
    // A song of any format the engine plays is opened into the list.
    const QString flac = dir.file("opened.flac");
    ASSERT_TRUE(songfiles::write(flac, songfiles::Format::Flac, 44100, 2, std::vector<int16_t>(2 * 4410, 5)));
    EXPECT_EQ(
        send("org.mpris.MediaPlayer2.Player.OpenUri", {"string:" + QUrl::fromLocalFile(flac).toString()})
            .code,
        0);
    ASSERT_TRUE(
        waitFor([&] { return !w.intake()->busy() && ui.lstFiles->count() == 3; }, std::chrono::seconds(10)));
    EXPECT_EQ(ui.lstFiles->item(2)->text(), flac);

    w.showMinimized();
    EXPECT_EQ(send("org.mpris.MediaPlayer2.Raise").code, 0);
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.windowState() & Qt::WindowMinimized);
    EXPECT_EQ(send("org.mpris.MediaPlayer2.Quit").code, 0);
    EXPECT_EQ(quits, 1); // without the close question: no prompt was scripted
}

// FLAC keeps its tags in a Vorbis comment and its cover in a picture block, M4A in MP4 items: the panel reads
// both as it reads an MP3's ID3.
TEST(SongTags, FlacAndM4aGiveTitleAndCover) {
    TempDir dir;
    const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + QByteArray(32, 'f');
    const QByteArray jpeg = QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(32, 'm');
    const std::vector<int16_t> quiet(2 * 4410, 3);
    const QString flac = dir.file("a.flac"), m4a = dir.file("b.m4a");
    ASSERT_TRUE(songfiles::write(flac, songfiles::Format::Flac, 44100, 2, quiet));
    ASSERT_TRUE(songfiles::write(m4a, songfiles::Format::M4aAac, 44100, 2, quiet));
    {
        TagLib::FLAC::File f(QFile::encodeName(flac).constData());
        f.xiphComment(true)->setTitle("Lossless");
        auto* pic = new TagLib::FLAC::Picture;
        pic->setType(TagLib::FLAC::Picture::FrontCover);
        pic->setMimeType("image/png");
        pic->setData(TagLib::ByteVector(png.constData(), unsigned(png.size())));
        f.addPicture(pic);
        ASSERT_TRUE(f.save());
    }
    {
        TagLib::MP4::File f(QFile::encodeName(m4a).constData());
        f.tag()->setTitle("Bought");
        TagLib::MP4::CoverArtList covers;
        covers.append(TagLib::MP4::CoverArt(TagLib::MP4::CoverArt::JPEG,
                                            TagLib::ByteVector(jpeg.constData(), unsigned(jpeg.size()))));
        f.tag()->setItem("covr", covers);
        ASSERT_TRUE(f.save());
    }
    const desktop::SongTags a = desktop::readSongTags(flac, dir.file("covers"));
    EXPECT_EQ(a.title, "Lossless");
    EXPECT_TRUE(a.artPath.endsWith(".png"));
    EXPECT_EQ(TempDir::read(a.artPath), png);
    const desktop::SongTags b = desktop::readSongTags(m4a, dir.file("covers"));
    EXPECT_EQ(b.title, "Bought");
    EXPECT_TRUE(b.artPath.endsWith(".jpg"));
    EXPECT_EQ(TempDir::read(b.artPath), jpeg);
}

// A second start with three songs (one an M4A) and a folder (one of its songs a FLAC) hands them to the first
// and ends at once; the first's own arguments, given before its main window was up, come first.
TEST_F(BusTest, SecondStartHandsItsPathsToTheFirst) {
    desktop::InstanceServer first;
    ASSERT_TRUE(first.listen());
    desktop::InstanceServer rival;
    EXPECT_FALSE(rival.listen()); // one owner of the name
    for (const char* n :
         {"zero.wav", "one.wav", "two.mp3", "three.m4a", "dir/b.wav", "dir/a.mp3", "dir/c.flac"})
        dir.write(QString::fromLatin1(n), {});
    desktop::Session session(first);
    session.open({dir.file("zero.wav")});
    QCoreApplication::processEvents();
    EXPECT_EQ(ui.lstFiles->count(), 0);
    session.attach(w);
    w.showMinimized();

    QElapsedTimer took;
    took.start();
    const ClientRun second =
        run(QStringLiteral(DECKMORA_BINARY), {"two.mp3", "three.m4a", "one.wav", "dir"}, dir.path());
    RecordProperty("second_start_ms", static_cast<int>(took.elapsed()));
    EXPECT_EQ(second.code, 0);
    ASSERT_TRUE(
        waitFor([&] { return !w.intake()->busy() && ui.lstFiles->count() == 7; }, std::chrono::seconds(10)));
    EXPECT_EQ(
        column(ui.lstFiles),
        QStringList({dir.file("zero.wav"), dir.file("two.mp3"), dir.file("three.m4a"), dir.file("one.wav"),
                     dir.file("dir/a.mp3"), dir.file("dir/b.wav"), dir.file("dir/c.flac")}));
    EXPECT_FALSE(w.windowState() & Qt::WindowMinimized);
}

#include "mpris_test.moc"
