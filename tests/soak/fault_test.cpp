// Faults from outside the program: a disk that fills up, folders and files that cannot be written, a song
// cut short under a playing deck, a registry file that is garbage. The player must keep the user's data and
// go on.
#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <optional>
#include <sys/resource.h>
#include <thread>

#include "component/componentregistry.h"
#include "console/runcounter.h"
#include "core/settingsstore.h"
#include "diskfull.h"
#include "media/audioengine.h"
#include "media/audiooutput.h"
#include "media/devicekeeper.h"
#include "media/mediaplayer.h"
#include "media/mixer.h"
#include "playlists/playlistfile.h"
#include "program.h"
#include "scriptedprompts.h"
#include "songfiles.h"
#include "tempdir.h"
#include "waitfor.h"
#include "windowfixture.h"
#include "windows/aboutwindow.h"
#include "windows/mainwindow.h"
#include "windows/welcomewindow.h"

using namespace player;

using platform::Answer;
using platform::media::PlayState;

namespace {

const QString kThreeWay = QStringLiteral(
    "What are you trying to do?\r\nOverwrite? Press Yes\r\nAppend? Press No\r\nDo nothing? Press Cancel");

// A mono 16-bit WAV of `frames` frames at 8000 frames a second, as `name` in `dir`; returns its path.
QString wav(const TempDir& dir, const QString& name, int frames) {
    songfiles::write(dir.file(name), songfiles::Kind::Wav16, 8000, 1, songfiles::saw(frames, 1));
    return dir.file(name);
}

class Faults : public WindowFixture {
protected:
    void addSongs(int n) {
        for (int i = 0; i < n; ++i) {
            const QString name = QStringLiteral("a song with a fairly long name, number %1.wav").arg(i);
            addEntry(name, wav(dir, name, 800));
        }
    }
    // Both list columns, one after the other.
    QStringList names() const { return column(ui.lstnames) + column(ui.lstFiles); }
    // "Save" to `target` where the write fails: `answer` to the three-way question that must come, then Ok to
    // the notice that the second try failed as well.
    void saveThatFails(const QString& target, Answer answer) {
        prompts.clear();
        prompts.answerFile(target).answer(answer);
        if (answer != Answer::Cancel)
            prompts.answer(Answer::Ok);
        w.Save_Click();
        ASSERT_GE(prompts.count(), 2);
        EXPECT_EQ(prompts.records()[1].text, kThreeWay);
    }
};

} // namespace

// Saving over a playlist on a disk that fills up part-way: whatever the user answers to the three-way
// question, the playlist that was there and the list in the window stay as they were.
TEST_F(Faults, ADiskThatFillsUpWhileAPlaylistIsWrittenLosesNothing) {
    const QString target = dir.file(QStringLiteral("party.mdp"));
    const QList<Song> before = {{QStringLiteral("/m/kept.wav"), QStringLiteral("kept")}};
    ASSERT_TRUE(PlaylistFile::write(target, before, PlaylistFile::Mode::Create).ok);
    const QByteArray stored = TempDir::read(target);
    addSongs(60); // several kilobytes: more than the disk takes
    const QStringList list = names();

    for (const Answer answer : {Answer::Cancel, Answer::No, Answer::Yes}) {
        SCOPED_TRACE(static_cast<int>(answer));
        {
            DiskFillsUpAfter full(1024);
            saveThatFails(target, answer);
        }
        EXPECT_EQ(TempDir::read(target), stored);
        EXPECT_EQ(names(), list);
        EXPECT_TRUE(QDir(dir.path()).entryList({QStringLiteral("party.mdp?*")}, QDir::Files).isEmpty())
            << "a half-written copy was left behind";
    }

    // "New" asked to save first keeps the list when the save fails.
    prompts.clear();
    prompts.answer(Answer::Yes).answerFile(target).answer(Answer::Cancel);
    {
        DiskFillsUpAfter full(1024);
        w.New_Click();
    }
    EXPECT_EQ(names(), list);

    // Once there is room again the same save goes through.
    prompts.clear();
    prompts.answerFile(target);
    w.Save_Click();
    const auto read = PlaylistFile::read(target);
    EXPECT_EQ(read.status, PlaylistFile::Status::Ok);
    EXPECT_EQ(read.songs.size(), 60);
}

// The temporary file must not cost what the old way of writing kept: a playlist reached through a link is
// written at the link's target, and the link stays.
TEST(PlaylistWrites, ASaveThroughALinkWritesItsTarget) {
    TempDir dir;
    const QString real = dir.write(QStringLiteral("real.mdp"), "old");
    const QString link = dir.file(QStringLiteral("link.mdp"));
    ASSERT_TRUE(QFile::link(real, link));
    ASSERT_TRUE(PlaylistFile::write(link, {{QStringLiteral("/m/a.wav"), QStringLiteral("a")}},
                                    PlaylistFile::Mode::Create)
                    .ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(PlaylistFile::read(real).songs.size(), 1);
}

// A folder nobody may write to (root included: /proc and /sys refuse new files): the three-way question, then
// a notice for the second try, and the list stays.
TEST_F(Faults, APlaylistFolderThatCannotBeWrittenKeepsTheList) {
    addSongs(3);
    const QStringList list = names();
    for (const QString& target : {QStringLiteral("/proc/deckmora/list.mdp"), QStringLiteral("/proc/list.mdp"),
                                  QStringLiteral("/sys/list.mdp")}) {
        for (const Answer answer : {Answer::Cancel, Answer::No, Answer::Yes}) {
            SCOPED_TRACE(target.toStdString() + " " + std::to_string(static_cast<int>(answer)));
            saveThatFails(target, answer);
            if (answer != Answer::Cancel) {
                EXPECT_TRUE(prompts.last().text.startsWith(target + QStringLiteral("\r\n")));
            }
            EXPECT_EQ(names(), list);
            EXPECT_FALSE(QFileInfo::exists(target));
        }
    }
}

// A song file cut short on disk while its deck plays it: the deck plays what it can, ends once, and the
// auto-mix goes on to the next song.
TEST_F(Faults, ASongTruncatedOrDeletedWhileItPlaysEndsAndTheMixGoesOn) {
    for (const bool remove : {false, true}) {
        SCOPED_TRACE(remove ? "deleted" : "truncated");
        ui.lstnames->clear();
        ui.lstFiles->clear();
        const QString cut = wav(dir, QStringLiteral("cut.wav"), 80000); // ten seconds
        addEntry(QStringLiteral("cut.wav"), cut);
        addSongs(1);
        int ends = 0;
        const auto connection =
            QObject::connect(ui.MP[0], &platform::media::MediaPlayer::ended, [&ends] { ++ends; });
        ui.chbgoon->setChecked(true);
        ui.lstnames->setCurrentRow(0);
        w.LoadToPlayer_Click(0);
        w.Play_Click(0);
        render(0.5);
        ASSERT_EQ(ui.MP[0]->state(), PlayState::Playing);
        if (remove) {
            ASSERT_TRUE(QFile::remove(cut));
        } else {
            QFile f(cut);
            ASSERT_TRUE(f.resize(f.size() - 2 * (80000 - 8000))); // one second is left
        }
        for (int i = 0; i < 100 && ends == 0; ++i)
            render(1);
        QObject::disconnect(connection);
        EXPECT_EQ(ends, 1);
        EXPECT_EQ(ui.lstnames->currentRow(), 1);
        EXPECT_EQ(ui.MP[0]->fileName(), ui.lstFiles->item(1)->text());
        EXPECT_EQ(ui.MP[0]->state(), PlayState::Playing);
        EXPECT_EQ(prompts.count(), 0);
        ui.MP[0]->stop();
    }
}

// The run counter cannot be stored: the program still starts, as on a first run, without a box.
TEST(StartupFaults, ASettingsFileThatCannotBeWrittenStillStarts) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    TempDir dir;
    const QString blocked = dir.path() + QStringLiteral("/config");
    // The settings file's own name taken by a folder: no rename or write can put a file there.
    qputenv("XDG_CONFIG_HOME", blocked.toLocal8Bit());
    QDir().mkpath(platform::SettingsStore::filePath(runcounter::appName()) + QStringLiteral("/inside"));
    for (const QByteArray& home : {QByteArray("/proc/deckmora-no-such-place"), blocked.toLocal8Bit()}) {
        SCOPED_TRACE(home.toStdString());
        qputenv("XDG_CONFIG_HOME", home);
        ScriptedPrompts prompts;
        auto engine = platform::media::AudioEngine::createOffline(8000);
        Program program(*engine);
        program.start();
        EXPECT_TRUE(program.welcome().isVisible());
        EXPECT_EQ(runcounter::read(), QString());
        EXPECT_EQ(prompts.count(), 0);
    }
    qputenv("XDG_CONFIG_HOME", saved);
}

// The component registry holds garbage, points the bar's class at what is no library, or cannot be read or
// written at all: the main window comes up all the same, with its decks working. The bar is found again from
// the library beside the program: registered again when the registry can be written, asked directly when it
// cannot.
TEST(RegistryFaults, ACorruptRegistryLeavesTheMainWindowWorking) {
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    static const char kBinary[] = "\x00\xff\xfe[[[\x01\x02=\n\x80\x81\x82]]]=\r\n\x00garbage";
    const QByteArray binary(kBinary, sizeof kBinary - 1);
    const QByteArray wrongLibrary =
        "[Classes]\n{61B4481E-C9F5-47D2-9942-31E8D01D5069}\\Library=/etc/hostname\n"
        "{61B4481E-C9F5-47D2-9942-31E8D01D5069}\\ProgID=Project1.Lumaband\n";
    const QByteArray brokenSyntax = "[Classes\n{61B4481E\\Library=\"unterminated\n[ProgIDs]\n=\n\\\\\\=\n";
    const std::pair<const char*, std::optional<QByteArray>> cases[] = {
        {"binary", binary},
        {"wrong library", wrongLibrary},
        {"broken syntax", brokenSyntax},
        {"a folder", std::nullopt}, // a folder takes the registry file's name
    };
    for (const auto& [name, content] : cases) {
        SCOPED_TRACE(name);
        // A configuration folder of its own for each case: settings files are cached per path in a process.
        TempDir home;
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
        const QString file = platform::component::ComponentRegistry::userFilePath();
        ASSERT_TRUE(file.startsWith(home.path()));
        QDir().mkpath(QFileInfo(file).absolutePath());
        if (content) {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(*content);
        } else {
            QFile::remove(file);
            ASSERT_TRUE(QDir().mkpath(file));
        }
        ScriptedPrompts prompts;
        auto engine = platform::media::AudioEngine::createOffline(8000);
        MainWindow w(*engine);
        auto& ui = w.elementsForTest();
        w.setQuitAction([] {});
        EXPECT_NE(ui.PB, nullptr);
        TempDir dir;
        ui.lstnames->addItem(QStringLiteral("one.wav"));
        ui.lstFiles->addItem(wav(dir, QStringLiteral("one.wav"), 800));
        ui.lstnames->setCurrentRow(0);
        w.LoadToPlayer_Click(0);
        w.Play_Click(0);
        EXPECT_EQ(ui.MP[0]->state(), PlayState::Playing);
        EXPECT_EQ(prompts.count(), 0);
    }
    qputenv("XDG_CONFIG_HOME", saved);
}

namespace {

// A sound device that calls back for a while, then fails: it stops calling back and says it no longer runs,
// as a stream does when its device is pulled out.
class FailingOutput final : public platform::media::AudioOutput {
public:
    FailingOutput(platform::media::Mixer& engine, int callbacks) : m_engine(engine), m_callbacks(callbacks) {}
    ~FailingOutput() override { stop(); }
    bool start() override {
        m_thread = std::thread([this] {
            std::vector<float> buffer(static_cast<size_t>(2 * m_engine.period));
            for (int i = 0; i < m_callbacks && !m_quit; ++i) {
                m_engine.process(mixer, buffer.data(), m_engine.period);
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
            m_failed = true;
        });
        return true;
    }
    void stop() override {
        m_quit = true;
        if (m_thread.joinable())
            m_thread.join();
    }
    bool healthy() override { return !m_failed; }

private:
    platform::media::Mixer& m_engine;
    const int m_callbacks;
    std::atomic<bool> m_quit{false};
    std::atomic<bool> m_failed{false};
    std::thread m_thread;
};

} // namespace

// The output device fails in the middle of an auto-mix: the null output takes over and the mix walks on
// through the list. The device runs in real time, so this one test waits on the clock (a few tenths of a
// second, bounded).
TEST(DeviceFaults, AnOutputThatFailsMidMixHandsOverAndTheMixGoesOn) {
    auto engine = platform::media::AudioEngine::createWithOutput(
        8000, 256, [](platform::media::Mixer& e) { return std::make_unique<FailingOutput>(e, 20); });
    ASSERT_EQ(engine->output(), platform::media::AudioEngine::Output::Device);
    ScriptedPrompts prompts;
    TempDir dir;
    MainWindow w(*engine);
    auto& ui = w.elementsForTest();
    w.setQuitAction([] {});
    ui.Timer1->stop();
    ui.Timer2->stop();
    for (int i = 0; i < 3; ++i) {
        const QString name = QStringLiteral("s%1.wav").arg(i);
        ui.lstnames->addItem(name);
        ui.lstFiles->addItem(wav(dir, name, 400)); // a twentieth of a second
    }
    int changes = 0;
    for (int d = 0; d < 2; ++d)
        QObject::connect(ui.MP[d], &platform::media::MediaPlayer::ended, [&changes] { ++changes; });
    ui.chbgoon->setChecked(true);
    ui.lstnames->setCurrentRow(0);
    w.LoadToPlayer_Click(0);
    w.Play_Click(0);

    waitFor([&] { return engine->output() == platform::media::AudioEngine::Output::Null && changes >= 6; },
            std::chrono::seconds(10));
    EXPECT_EQ(engine->output(), platform::media::AudioEngine::Output::Null);
    EXPECT_GE(changes, 6);
    EXPECT_TRUE(ui.MP[0]->hasMedia());
    EXPECT_EQ(ui.lstnames->currentRow(), ui.lstFiles->currentRow());
    EXPECT_EQ(prompts.count(), 0);
}
