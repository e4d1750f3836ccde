// Songs from outside (the command line, drops), the keys and the help window of the main window.
#include <QAction>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProcess>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <tuple>

#include "console/songintake.h"
#include "desktop/commandline.h"
#include "desktop/instance.h"
#include "desktop/mpris.h"
#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "playlists/playlistfile.h"
#include "program.h"
#include "scriptedprompts.h"
#include "songfiles.h"
#include "tempdir.h"
#include "ui/imagebutton.h"
#include "ui/slider.h"
#include "windowfixture.h"
#include "windows/aboutwindow.h"
#include "windows/mainlayout.h"
#include "windows/mainwindow.h"
#include "windows/searchwindow.h"

using namespace player;

using platform::Answer;
using platform::media::PlayState;

namespace {

class DesktopTest : public WindowFixture {
protected:
    QString song(const QString& name, double seconds = 3) {
        const QString p = dir.file(name);
        QDir().mkpath(QFileInfo(p).absolutePath());
        EXPECT_TRUE(writeSong(p, seconds));
        return p;
    }
    void waitIntake() {
        while (w.intake()->busy())
            QCoreApplication::processEvents();
    }
    // Sends a drag of `mime` to `target` at `pos` (target's pixels): enter, move, and a drop when asked.
    bool drag(QWidget* target, QPoint pos, const QMimeData& mime, bool drop) {
        QDragEnterEvent enter(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        if (!enter.isAccepted())
            return false;
        QDragMoveEvent move(pos, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &move);
        if (!move.isAccepted() || !drop)
            return move.isAccepted();
        QDropEvent dropEvent(QPointF(pos), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropEvent);
        QCoreApplication::processEvents();
        return dropEvent.isAccepted();
    }
    static QMimeData* urls(const QStringList& paths) {
        auto* m = new QMimeData;
        QList<QUrl> list;
        for (const QString& p : paths)
            list << QUrl::fromLocalFile(p);
        m->setUrls(list);
        return m;
    }
    QPoint deckCentre(int d) const {
        return platform::toPixels(
                   mainlayout::rect(d == 0 ? mainlayout::Item::Deck0Panel : mainlayout::Item::Deck1Panel))
            .center();
    }
};

} // namespace

TEST(CommandLine, PathsBecomeAbsoluteInOrderAndHelpEnds) {
    const auto cl = desktop::parseCommandLine(
        {"deckmora", "b.mp3", "/abs/a.wav", "file:///x/y%20z.mdp", "sub/../dir"}, "/home/u");
    EXPECT_FALSE(cl.exit);
    EXPECT_EQ(cl.paths, QStringList({"/home/u/b.mp3", "/abs/a.wav", "/x/y z.mdp", "/home/u/dir"}));
    const auto help = desktop::parseCommandLine({"deckmora", "--help"}, "/");
    EXPECT_TRUE(help.exit);
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.output.contains("PLAYLIST"));
    const auto bad = desktop::parseCommandLine({"deckmora", "--no-such-option"}, "/");
    EXPECT_TRUE(bad.exit);
    EXPECT_NE(bad.exitCode, 0);
    // The analysis answers under the names it was given.
    const QStringList analyse = {"deckmora", "--analyse", "b.flac", "file:///x/y%20z.m4a"};
    EXPECT_TRUE(desktop::wantsAnalysis(analyse));
    EXPECT_FALSE(desktop::wantsAnalysis({"deckmora", "--", "--analyse"}));
    const auto cla = desktop::parseCommandLine(analyse, "/home/u");
    EXPECT_TRUE(cla.analyse);
    EXPECT_EQ(cla.paths, QStringList({"b.flac", "/x/y z.m4a"}));
}

// One JSON line a file, in order, with the length exact to the frame; a file that cannot be played gives its
// reason and the exit status 1, after the others were done. The program itself runs it without a display.
TEST(CommandLine, AnalyseWritesALineAFileWithoutAWindow) {
    TempDir dir;
    const QString wav = dir.file("a.wav"), flac = dir.file("b.flac");
    ASSERT_TRUE(songfiles::write(wav, songfiles::Kind::Wav16, 8000, 1, songfiles::saw(12345, 1)));
    ASSERT_TRUE(
        songfiles::write(flac, songfiles::Format::Flac, 44100, 2, std::vector<int16_t>(2 * 44101, 7)));
    const QString text = dir.write("notes.txt", "not a song");
    const auto run = [](const QStringList& paths, QList<QJsonObject>& lines) {
        QString out;
        QTextStream stream(&out);
        const int status = desktop::analyseFiles(paths, stream);
        lines.clear();
        for (const QString& line : out.split('\n', Qt::SkipEmptyParts))
            lines << QJsonDocument::fromJson(line.toUtf8()).object();
        return status;
    };
    QList<QJsonObject> lines;
    EXPECT_EQ(run({wav, flac}, lines), 0);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0].value("path").toString(), wav);
    EXPECT_EQ(lines[0].value("duration_s").toDouble(), 12345 / 8000.0);
    EXPECT_EQ(lines[1].value("duration_s").toDouble(), 44101 / 44100.0);
    EXPECT_FALSE(lines[1].contains("error"));
    // Every finding has its key, null where a song too short or too quiet gave nothing.
    for (const char* key :
         {"bpm", "first_beat_s", "loudness_lufs", "true_peak_dbtp", "audible_start_s", "audible_end_s"})
        EXPECT_TRUE(lines[0].contains(key) && lines[1].contains(key)) << key;
    EXPECT_TRUE(lines[0].value("bpm").isNull());
    EXPECT_GE(lines[0].value("true_peak_dbtp").toDouble(), 20 * std::log10(0.25) - 0.01);
    EXPECT_NEAR(lines[0].value("audible_end_s").toDouble(), 12345 / 8000.0, 0.001);
    EXPECT_TRUE(lines[1].value("loudness_lufs").isNull()); // a constant, which the weighting takes out

    EXPECT_EQ(run({text, dir.file("gone.mp3"), wav}, lines), 1);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_FALSE(lines[0].value("error").toString().isEmpty());
    EXPECT_FALSE(lines[0].contains("duration_s"));
    EXPECT_TRUE(lines[1].value("error").toString().contains("does not exist"));
    EXPECT_EQ(lines[2].value("duration_s").toDouble(), 12345 / 8000.0);

    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        env.remove(name);
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(dir.path());
    program.start(DECKMORA_BINARY, {"--analyse", "a.wav", "notes.txt"});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 1);
    const QList<QByteArray> out = program.readAllStandardOutput().split('\n');
    ASSERT_GE(out.size(), 2);
    EXPECT_EQ(QJsonDocument::fromJson(out[0]).object().value("path").toString(), "a.wav");
    EXPECT_EQ(QJsonDocument::fromJson(out[0]).object().value("duration_s").toDouble(), 12345 / 8000.0);
    EXPECT_TRUE(QJsonDocument::fromJson(out[1]).object().contains("error"));
}

// Songs, a folder (its songs in name order, then each sub-folder's, depth first; hidden folders and a link
// back up left out), a playlist and non-songs, in the order given; everything that was not a song is named
// in one notice.
TEST_F(DesktopTest, IntakeKeepsOrderAndReportsNonSongsOnce) {
    const QString a = song("a.wav"), b = song("B.MP3");
    song("folder/y.wav");
    song("folder/x.mp3");
    song("folder/deeper/z.wav");
    song("folder/Aside/w.wav");
    song("folder/Aside/inner/v.wav");
    song("folder/.hidden/h.wav");
    ASSERT_TRUE(QFile::link(dir.file("folder"), dir.file("folder/Aside/up")));
    dir.write("folder/notes.txt", "x");
    const QString playlist = dir.file("list.mdp");
    ASSERT_TRUE(PlaylistFile::write(playlist, {{"/p/one.mp3", "One"}, {"/p/two.wav", "Two"}},
                                    PlaylistFile::Mode::Create)
                    .ok);
    const QString text = dir.write("readme.txt", "x");
    const QString fake = dir.write("fake.mdp", "not a playlist\r\n");
    prompts.answer(Answer::Ok);
    w.intake()->add({b, dir.file("folder"), text, playlist, dir.file("missing.wav"), a, fake});
    waitIntake();
    EXPECT_EQ(column(ui.lstnames),
              QStringList({"B.MP3", "x.mp3", "y.wav", "w.wav", "v.wav", "z.wav", "One", "Two", "a.wav"}));
    EXPECT_EQ(column(ui.lstFiles),
              QStringList({b, dir.file("folder/x.mp3"), dir.file("folder/y.wav"),
                           dir.file("folder/Aside/w.wav"), dir.file("folder/Aside/inner/v.wav"),
                           dir.file("folder/deeper/z.wav"), "/p/one.mp3", "/p/two.wav", a}));
    ASSERT_EQ(prompts.count(), 1);
    for (const QString& p : {text, dir.file("missing.wav"), fake})
        EXPECT_TRUE(prompts.last().text.contains(p)) << p.toStdString();
    EXPECT_TRUE(w.listCommandsEnabled());
}

// Every format the engine plays comes in by its name from a folder, and a song without its usual name by its
// content; a song of another format goes onto a deck by a drop.
TEST_F(DesktopTest, IntakeAndDecksTakeEveryFormatTheEnginePlays) {
    for (const char* name : {"a.flac", "b.OGG", "c.opus", "d.m4a", "e.aiff", "f.wma", "g.aac", "h.txt"})
        dir.write(QStringLiteral("folder/") + name, "");
    const QString flac = dir.file("song.flac"), unnamed = dir.file("track01");
    ASSERT_TRUE(
        songfiles::write(flac, songfiles::Format::Flac, 44100, 2, std::vector<int16_t>(2 * 44100, 99)));
    QFile::copy(flac, unnamed);
    const QString text = dir.write("track02", "no song");
    prompts.answer(Answer::Ok);
    w.intake()->add({dir.file("folder"), unnamed, text});
    waitIntake();
    EXPECT_EQ(column(ui.lstnames),
              QStringList({"a.flac", "b.OGG", "c.opus", "d.m4a", "e.aiff", "f.wma", "g.aac", "track01"}));
    ASSERT_EQ(prompts.count(), 1);
    EXPECT_TRUE(prompts.last().text.contains(text));

    auto one = std::unique_ptr<QMimeData>(urls({flac}));
    ASSERT_TRUE(drag(&w, deckCentre(1), *one, true));
    QCoreApplication::processEvents();
    EXPECT_EQ(ui.MP[1]->fileName(), flac);
    EXPECT_EQ(ui.MP[1]->state(), PlayState::Stopped);
    EXPECT_DOUBLE_EQ(ui.MP[1]->length(), 1.0);
}

// While the folder window fills the list, songs from outside wait instead of slipping in between.
TEST_F(DesktopTest, IntakeWaitsWhileHeld) {
    bool held = true;
    w.intake()->setHold([&] { return held; });
    w.intake()->add({song("a.wav")});
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    EXPECT_EQ(ui.lstnames->count(), 0);
    held = false;
    waitIntake();
    EXPECT_EQ(ui.lstnames->count(), 1);
}

// 50,000 files fill the list to its limit with one notice; the event loop runs between slices of the work,
// so the window keeps painting and taking input. Only the files that fit exist: the rest must not even be
// looked at, or they would be reported as missing.
TEST_F(DesktopTest, FiftyThousandFilesFillToTheLimitWithOneNotice) {
    // In memory where the machine has it: tens of thousands of files are slow to make on a busy disk.
    QTemporaryDir many(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                           ? QStringLiteral("/dev/shm/deckmora-XXXXXX")
                           : QDir::tempPath() + "/deckmora-XXXXXX");
    QStringList paths;
    for (int i = 0; i < 50000; ++i) {
        paths << many.filePath(QStringLiteral("%1.mp3").arg(i, 5, 10, QLatin1Char('0')));
        if (i < SongList::kMaxEntries)
            QFile(paths.back()).open(QIODevice::WriteOnly);
    }
    auto mime = std::unique_ptr<QMimeData>(urls(paths));
    int turnsDuringIntake = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] { turnsDuringIntake += w.intake()->busy(); });
    probe.start(0);
    prompts.answer(Answer::Ok);
    ASSERT_TRUE(drag(ui.lstnames->viewport(), {5, 5}, *mime, true));
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.intake()->busy());
    EXPECT_FALSE(w.listCommandsEnabled()) << "list commands wait while songs come in";
    waitIntake();
    EXPECT_EQ(ui.lstnames->count(), SongList::kMaxEntries);
    EXPECT_EQ(ui.lstFiles->count(), SongList::kMaxEntries);
    EXPECT_EQ(ui.lstFiles->item(SongList::kMaxEntries - 1)->text(), paths[SongList::kMaxEntries - 1]);
    ASSERT_EQ(prompts.count(), 1);
    EXPECT_TRUE(prompts.last().text.contains("full"));
    EXPECT_GT(turnsDuringIntake, 2);
}

TEST_F(DesktopTest, DropsOnTheListAndOnEachDeck) {
    const QString a = song("a.wav", 4), b = song("b.wav", 5);
    auto both = std::unique_ptr<QMimeData>(urls({a, b}));
    ASSERT_TRUE(drag(ui.lstnames->viewport(), {5, 5}, *both, true));
    waitIntake();
    EXPECT_EQ(column(ui.lstFiles), QStringList({a, b}));

    for (int d = 0; d < 2; ++d) {
        const QString p = d == 0 ? a : b;
        auto one = std::unique_ptr<QMimeData>(urls({p}));
        ASSERT_TRUE(drag(&w, deckCentre(d), *one, true));
        QCoreApplication::processEvents();
        EXPECT_EQ(ui.MP[d]->fileName(), p);
        EXPECT_EQ(ui.MP[d]->state(), PlayState::Stopped);
        EXPECT_EQ(ui.lblnow[d]->text(),
                  "Now Loaded: " + QFileInfo(p).fileName() + " press play to start the song");
    }

    // Refused: text, a folder or two songs on a deck, a song outside the decks, an address that is no file.
    QMimeData text;
    text.setText("hello");
    auto folder = std::unique_ptr<QMimeData>(urls({dir.path()}));
    QMimeData web;
    web.setUrls({QUrl("https://example.org/song.mp3")});
    EXPECT_FALSE(drag(ui.lstnames->viewport(), {5, 5}, text, false));
    EXPECT_FALSE(drag(ui.lstnames->viewport(), {5, 5}, web, false));
    EXPECT_FALSE(drag(&w, deckCentre(0), *folder, false));
    EXPECT_FALSE(drag(&w, deckCentre(1), *both, false));
    EXPECT_FALSE(drag(&w, {2, 2}, *std::unique_ptr<QMimeData>(urls({a})), false));
    EXPECT_EQ(prompts.count(), 0);
}

// What the desktop's remote control shows is announced on every change to it, and not on the display tick.
TEST_F(DesktopTest, ChangesARemoteViewShowsAreAnnounced) {
    const QString a = song("a.wav");
    QSignalSpy changed(&w, &MainWindow::playerChanged);
    const std::vector<std::tuple<const char*, std::function<void()>, bool>> cases = {
        {"list grows", [&] { w.songList().append("a", a); }, true},
        {"load", [&] { emit ui.LoadToPlayer[1]->clicked(); }, true},
        {"play", [&] { emit ui.Play[1]->clicked(); }, true},
        {"pause", [&] { emit ui.Pause[1]->clicked(); }, true},
        {"stop", [&] { emit ui.Stop[1]->clicked(); }, true},
        {"a song ends", [&] { emit ui.MP[0]->ended(0); }, true},
        {"deck volume", [&] { ui.Vol[0]->setValue(-1000); }, true},
        {"random playing", [&] { w.setRandomPlaying(true); }, true},
        {"list cleared", [&] { w.songList().clear(); }, true},
        {"display tick", [&] { w.Timer1_Timer(); }, false},
    };
    for (const auto& [name, act, announced] : cases) {
        changed.clear();
        act();
        EXPECT_EQ(!changed.isEmpty(), announced) << name;
    }
    EXPECT_TRUE(ui.chbgoon->isChecked()); // random playing goes on playing, as a click on it does
}

// A deck's volume as a travel: clamped to the slider's ends and heard as the slider's own move (the
// bottom stretch mutes).
TEST_F(DesktopTest, DeckVolumeTravelMovesTheSliderAndTheLevel) {
    const struct {
        double travel;
        int slider;
        int level;
        double readBack;
    } cases[] = {
        {0.5, -2500, -2500, 0.5}, {1.7, 0, 0, 1.0}, {-0.3, -5000, -9640, 0.0}, {0.05, -4750, -9640, 0.05}};
    for (const auto& c : cases) {
        w.setDeckVolume(1, c.travel);
        EXPECT_EQ(ui.Vol[1]->value(), c.slider) << c.travel;
        EXPECT_EQ(ui.MP[1]->level(), c.level) << c.travel;
        EXPECT_DOUBLE_EQ(w.deckVolume(1), c.readBack) << c.travel;
    }
}

class KeysTest : public DesktopTest {
protected:
    void SetUp() override {
        DesktopTest::SetUp();
        for (const char* n : {"s0.wav", "s1.wav", "s2.wav"})
            w.songList().append(QString::fromLatin1(n), song(QString::fromLatin1(n), 20));
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
        ui.lstnames->setFocus();
    }
    void key(QKeySequence k) { QTest::keySequence(&w, k); }
};

// Every transport command by its key, each deck; the deck whose key was used last becomes the active one,
// which Enter and Space act on.
TEST_F(KeysTest, TransportVolumeAndListByKey) {
    key(Qt::Key_Down); // nothing selected: the first song
    EXPECT_EQ(w.songList().selectedIndex(), 0);
    key(QKeySequence("2"));
    EXPECT_EQ(w.activeDeck(), 1);
    EXPECT_EQ(ui.MP[1]->fileName(), w.songList().path(0));
    key(QKeySequence("M"));
    EXPECT_EQ(ui.MP[1]->state(), PlayState::Playing);
    key(QKeySequence(","));
    EXPECT_EQ(ui.MP[1]->state(), PlayState::Paused);
    key(QKeySequence("/"));
    EXPECT_DOUBLE_EQ(ui.MP[1]->position(), 5.0);
    key(QKeySequence("N"));
    EXPECT_DOUBLE_EQ(ui.MP[1]->position(), 0.0);
    key(QKeySequence("."));
    EXPECT_EQ(ui.MP[1]->state(), PlayState::Stopped);

    key(Qt::Key_End);
    EXPECT_EQ(w.songList().selectedIndex(), 2);
    key(Qt::Key_Up);
    key(QKeySequence("1"));
    EXPECT_EQ(w.activeDeck(), 0);
    EXPECT_EQ(ui.MP[0]->fileName(), w.songList().path(1));
    key(Qt::Key_Space);
    EXPECT_EQ(ui.MP[0]->state(), PlayState::Playing);
    key(Qt::Key_Space);
    EXPECT_EQ(ui.MP[0]->state(), PlayState::Paused);
    key(Qt::Key_Home);
    key(Qt::Key_Return);
    EXPECT_EQ(ui.MP[0]->fileName(), w.songList().path(0));

    key(QKeySequence("A"));
    EXPECT_EQ(ui.Vol[0]->value(), -250);
    EXPECT_EQ(ui.MP[0]->level(), -250);
    key(QKeySequence("L"));
    EXPECT_EQ(ui.Vol[1]->value(), -5000); // already at the bottom
    EXPECT_EQ(ui.MP[1]->level(), -9640);
    key(Qt::Key_Right);
    EXPECT_EQ(ui.volMain->value(), 55);
    EXPECT_EQ(ui.MP[1]->level(), -4050);

    key(Qt::Key_Delete);
    EXPECT_EQ(w.songList().count(), 2);
    key(QKeySequence("Ctrl+R"));
    EXPECT_TRUE(ui.chbrandom->isChecked());
    EXPECT_TRUE(ui.chbgoon->isChecked());
}

// Each key appears in the help window and in the tooltip of the button it stands for; no key is given twice.
TEST_F(KeysTest, KeysAreListedOnceInHelpAndTooltips) {
    QStringList seen;
    for (const QAction* a : w.keyActions())
        for (const QKeySequence& k : a->shortcuts()) {
            EXPECT_FALSE(seen.contains(k.toString())) << k.toString().toStdString();
            seen << k.toString();
        }
    key(Qt::Key_F1);
    ASSERT_TRUE(ui.frmKeys && ui.frmKeys->isVisible());
    auto* table = ui.frmKeys->findChild<QTableWidget*>();
    ASSERT_TRUE(table);
    EXPECT_EQ(table->rowCount(), w.keyActions().size() + 1);
    EXPECT_EQ(table->item(table->rowCount() - 1, 1)->text(), "Sound settings");
    EXPECT_TRUE(ui.Play[0]->toolTip().endsWith("(X)"));
    EXPECT_TRUE(ui.Play[1]->toolTip().endsWith("(M)"));
    EXPECT_TRUE(ui.Search->toolTip().contains("Ctrl+F"));
    EXPECT_TRUE(ui.Add->toolTip().startsWith("Add songs or playlists to this playlist ("));
}

// Letters typed into the search window are search text, not deck commands.
TEST_F(KeysTest, SearchWindowKeepsItsLetters) {
    key(QKeySequence("Ctrl+F"));
    ASSERT_TRUE(ui.m_search && ui.m_search->isVisible());
    ui.m_search->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(ui.m_search));
    QTest::keyClicks(ui.m_search->Text1, "m1");
    EXPECT_EQ(ui.m_search->Text1->text(), "m1");
    EXPECT_EQ(ui.MP[0]->state(), PlayState::NoMedia);
    EXPECT_EQ(ui.MP[1]->state(), PlayState::NoMedia);
}

// The splash's hidden field still takes every letter once the main window exists: the keys belong to the
// main window only.
TEST(DesktopKeys, DebugWordStillReachesTheSplash) {
    auto engine = platform::media::AudioEngine::createOffline();
    Program program(*engine);
    MainWindow& w = program.mainWindow();
    QSignalSpy back(w.elementsForTest().Vorig[0], &platform::ImageButton::clicked);
    AboutWindow& about = program.about();
    about.show();
    about.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&about));
    QTest::keyClicks(about.Text1, "zqvk");
    EXPECT_TRUE(about.debugWordOn());
    EXPECT_EQ(back.count(), 0);
}

// Without a session bus (no address, no socket in the runtime folder) nothing is published, nothing is handed
// over and no bus daemon is started on our behalf.
TEST(NoSessionBus, EverythingStaysLocalAndQuiet) {
    TempDir runtime;
    const QByteArray address = qgetenv("DBUS_SESSION_BUS_ADDRESS"), xdg = qgetenv("XDG_RUNTIME_DIR");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    auto engine = platform::media::AudioEngine::createOffline();
    MainWindow w(*engine);
    desktop::Mpris mpris(w, runtime.file("covers"));
    desktop::InstanceServer server;
    EXPECT_FALSE(desktop::sessionBusAvailable());
    EXPECT_FALSE(mpris.publish());
    EXPECT_FALSE(server.listen());
    EXPECT_FALSE(desktop::handOver({"/music/a.mp3"}));
    mpris.refresh(); // nothing to send to
    for (auto [name, value] :
         {std::pair{"DBUS_SESSION_BUS_ADDRESS", address}, std::pair{"XDG_RUNTIME_DIR", xdg}})
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
}
