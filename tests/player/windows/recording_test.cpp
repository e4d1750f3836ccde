// Pre-listen and recording from the main window: the rules behind the file, the switches, their keys and the
// Sound window's part.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

#include "console/mixrecording.h"
#include "console/runcounter.h"
#include "console/soundchoice.h"
#include "core/settingsstore.h"
#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "scriptedprompts.h"
#include "tempdir.h"
#include "waitfor.h"
#include "windows/mainwindow.h"
#include "windows/soundwindow.h"
#include "windows/switchbutton.h"

using namespace player;

using platform::media::AudioEngine;
using Format = recordingrules::Format;

namespace {

const QDateTime kAt(QDate(2026, 12, 7), QTime(21, 5, 33));

TEST(RecordingRules, FolderIsTheMusicFolderOnlyWhenItIsThere) {
    TempDir dir;
    const QString music = dir.file(QStringLiteral("Music"));
    const QString file = dir.write(QStringLiteral("notafolder"), "x");
    const QString home = dir.path();
    EXPECT_EQ(recordingrules::folder(music, home), home); // XDG_MUSIC_DIR named but never made
    EXPECT_EQ(recordingrules::folder(QString(), home), home);
    EXPECT_EQ(recordingrules::folder(file, home), home);
    ASSERT_TRUE(QDir().mkpath(music));
    EXPECT_EQ(recordingrules::folder(music, home), music);
}

TEST(RecordingRules, NamesAreTheTimeAndNeverAnExistingFile) {
    TempDir dir;
    EXPECT_EQ(recordingrules::fileName(kAt, Format::Wav), QStringLiteral("Deckmora 2026-12-07 21-05-33.wav"));
    const QString first = recordingrules::freePath(dir.path(), kAt, Format::Flac);
    EXPECT_EQ(first, dir.file(QStringLiteral("Deckmora 2026-12-07 21-05-33.flac")));
    dir.write(QFileInfo(first).fileName(), "x");
    EXPECT_EQ(recordingrules::freePath(dir.path(), kAt, Format::Flac),
              dir.file(QStringLiteral("Deckmora 2026-12-07 21-05-33 (2).flac")));
}

TEST(RecordingRules, ElapsedTextCountsWholeSeconds) {
    const std::vector<std::tuple<int64_t, int, QString>> cases = {
        {0, 48000, QStringLiteral("0:00")},
        {48000 * 7, 48000, QStringLiteral("0:07")},
        {int64_t(44100) * 754, 44100, QStringLiteral("12:34")},
        {int64_t(44100) * 3599, 44100, QStringLiteral("59:59")},
        {int64_t(44100) * 3723, 44100, QStringLiteral("1:02:03")},
        {1000, 0, QStringLiteral("0:00")}, // no rate yet
    };
    for (const auto& [frames, rate, text] : cases)
        EXPECT_EQ(recordingrules::elapsedText(frames, rate), text) << frames << " at " << rate;
}

// A recorder that does what it is told and gives up when a test says so, from a thread of its own as the
// engine's writer does.
struct FakeRecorderState {
    std::mutex lock;
    AudioEngine::Recording recording;
    std::function<void()> listener;
    Format format = Format::Flac;

    void stopByItself(const std::string& error) {
        std::thread([this, error] {
            std::lock_guard g(lock);
            recording.active = false;
            recording.error = error;
            if (listener)
                listener();
        }).join();
    }
};

class FakeRecorder : public Recorder {
public:
    explicit FakeRecorder(std::shared_ptr<FakeRecorderState> s) : m_s(std::move(s)) {}
    bool start(const std::string& path, Format format, std::string*) override {
        std::lock_guard g(m_s->lock);
        m_s->recording = {true, path, 0, {}};
        m_s->format = format;
        return true;
    }
    void stop() override {
        std::lock_guard g(m_s->lock);
        m_s->recording.active = false;
    }
    AudioEngine::Recording state() const override {
        std::lock_guard g(m_s->lock);
        return m_s->recording;
    }
    int sampleRate() const override { return 44100; }
    void setListener(std::function<void()> listener) override {
        std::lock_guard g(m_s->lock);
        m_s->listener = std::move(listener);
    }

private:
    std::shared_ptr<FakeRecorderState> m_s;
};

class RecordingTest : public ::testing::Test {
protected:
    std::shared_ptr<FakeRecorderState> state = std::make_shared<FakeRecorderState>();
    ScriptedPrompts prompts;
    TempDir dir;
};

// A full disk: one notice naming the reason and the file, however often the recorder tells, and a recording
// begun meanwhile is not taken for the one that stopped.
TEST_F(RecordingTest, ARecordingThatStopsByItselfGivesOneNotice) {
    MixRecording r(std::make_unique<FakeRecorder>(state));
    int changes = 0;
    QObject::connect(&r, &MixRecording::changed, [&] { ++changes; });
    ASSERT_TRUE(r.start(dir.path(), kAt, Format::Wav));
    EXPECT_EQ(state->format, Format::Wav);
    state->recording.frames = 44100 * 65;
    EXPECT_EQ(r.elapsed(), QStringLiteral("1:05"));

    prompts.answer(platform::Answer::Ok);
    dir.write(QStringLiteral("Deckmora 2026-12-07 21-05-33.wav"), QByteArray());
    state->stopByItself("The disk is full.");
    state->stopByItself("The disk is full.");
    ASSERT_TRUE(waitFor([&] { return prompts.count() == 1; }, std::chrono::seconds(5)));
    QCoreApplication::processEvents();
    EXPECT_EQ(prompts.count(), 1);
    EXPECT_EQ(prompts.last().text,
              QStringLiteral("The recording stopped. The disk is full.\r\nThe file holds "
                             "everything recorded until then: ") +
                  dir.file(QStringLiteral("Deckmora 2026-12-07 21-05-33.wav")));
    EXPECT_FALSE(r.active());
    EXPECT_EQ(changes, 2);

    ASSERT_TRUE(r.start(dir.path(), kAt, Format::Flac));
    state->listener(); // a late word from the recorder while the new recording runs
    QCoreApplication::processEvents();
    EXPECT_TRUE(r.active());
    EXPECT_EQ(prompts.count(), 1);
}

class WindowTest : public RecordingTest {
protected:
    void SetUp() override {
        w.setQuitAction([] {});
        ui.Timer1->stop();
    }
    std::unique_ptr<AudioEngine> engine = AudioEngine::createOffline(44100);
    std::unique_ptr<MainWindow> owned = std::make_unique<MainWindow>(*engine);
    MainWindow& w = *owned;
    MainElements& ui = w.elementsForTest();
    void showActive() {
        w.show();
        w.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }
};

// Each deck's key and button flip that deck's switch only, from off at the start; help lists both keys.
TEST_F(WindowTest, CueKeysAndButtonsSwitchTheirOwnDeck) {
    showActive();
    const std::vector<std::tuple<std::function<void()>, bool, bool>> steps = {
        {[&] { QTest::keyClick(&w, Qt::Key_G); }, true, false},
        {[&] { QTest::keyClick(&w, Qt::Key_H); }, true, true},
        {[&] { QTest::mouseClick(ui.Cue[0], Qt::LeftButton); }, false, true},
        {[&] { QTest::keyClick(&w, Qt::Key_H); }, false, false},
    };
    for (const auto& [step, on0, on1] : steps) {
        step();
        EXPECT_EQ(ui.Cue[0]->isOn(), on0);
        EXPECT_EQ(ui.Cue[1]->isOn(), on1);
        EXPECT_EQ(ui.MP[0]->cue(), on0);
        EXPECT_EQ(ui.MP[1]->cue(), on1);
    }
    int listed = 0;
    for (const QAction* a : w.keyActions())
        listed += a->text().contains(QStringLiteral("pre-listen")) ? 1 : 0;
    EXPECT_EQ(listed, 2);
    EXPECT_EQ(prompts.count(), 0);
}

// A home folder that is gone (and so no music folder): the key gives one notice with the engine's reason and
// the switch stays off.
TEST_F(WindowTest, RecordKeyWhenTheFileCannotBeMade) {
    const QByteArray home = qgetenv("HOME");
    const QString gone = dir.file(QStringLiteral("gone"));
    qputenv("HOME", gone.toLocal8Bit());
    showActive();
    prompts.answer(platform::Answer::Ok);
    QTest::keyClick(&w, Qt::Key_F9);
    qputenv("HOME", home);
    ASSERT_EQ(prompts.count(), 1);
    EXPECT_TRUE(prompts.last().text.startsWith(QStringLiteral("The recording could not start. ")));
    EXPECT_TRUE(prompts.last().text.contains(QStringLiteral("\r\n") + gone + QStringLiteral("/Deckmora ")));
    EXPECT_FALSE(ui.Rec->isOn());
    EXPECT_EQ(ui.lblRec->text(), QString());
    EXPECT_FALSE(QFileInfo::exists(gone));
}

// Start, the time beside the switch, stop, and a recording still running when the window goes: each a file in
// the music folder, made by the engine.
TEST_F(WindowTest, RecordSwitchShowsTheTimeAndWhereTheFileWent) {
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", dir.path().toLocal8Bit());
    const QDir music(dir.file(QStringLiteral("Music")));
    ASSERT_TRUE(music.mkpath(QStringLiteral(".")));
    showActive();
    QTest::keyClick(&w, Qt::Key_R, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_TRUE(ui.Rec->isOn());
    EXPECT_EQ(ui.lblRec->text(), QStringLiteral("0:00"));
    std::vector<float> mix(2 * 44100);
    for (int second = 0; second < 2; ++second)
        engine->render(mix.data(), 44100);
    EXPECT_TRUE(waitFor(
        [&] {
            w.Timer1_Timer();
            return ui.lblRec->text() == QStringLiteral("0:02");
        },
        std::chrono::seconds(5)));

    QTest::mouseClick(ui.Rec, Qt::LeftButton);
    EXPECT_FALSE(ui.Rec->isOn());
    const QStringList made = music.entryList({QStringLiteral("Deckmora *.flac")});
    ASSERT_EQ(made.size(), 1);
    EXPECT_GT(QFileInfo(music.filePath(made[0])).size(), 0);
    EXPECT_EQ(ui.lblRec->text(), QStringLiteral("saved"));
    EXPECT_TRUE(ui.Rec->toolTip().contains(music.filePath(made[0])));

    QTest::keyClick(&w, Qt::Key_F9);
    ASSERT_TRUE(ui.Rec->isOn());
    owned.reset();
    qputenv("HOME", home);
    EXPECT_FALSE(engine->recording().active);
    EXPECT_EQ(music.entryList({QStringLiteral("Deckmora *.flac")}).size(), 2);
    EXPECT_EQ(prompts.count(), 0);
}

// A folder chosen in the Sound window takes the recordings; when it is gone the start fails with a notice,
// and "saved" no longer speaks of the file before.
TEST_F(WindowTest, RecordingsGoToTheChosenFolderAndSavedGoesWithAFailedStart) {
    const QString sets = dir.file(QStringLiteral("sets"));
    ASSERT_TRUE(QDir().mkpath(sets));
    ASSERT_TRUE(soundchoice::saveRecordFolder(sets));
    showActive();
    QTest::keyClick(&w, Qt::Key_F9);
    ASSERT_TRUE(ui.Rec->isOn());
    QTest::keyClick(&w, Qt::Key_F9);
    EXPECT_EQ(QDir(sets).entryList({QStringLiteral("Deckmora *.flac")}).size(), 1);
    EXPECT_EQ(ui.lblRec->text(), QStringLiteral("saved"));

    ASSERT_TRUE(QDir(sets).removeRecursively());
    prompts.answer(platform::Answer::Ok);
    QTest::keyClick(&w, Qt::Key_F9);
    ASSERT_EQ(prompts.count(), 1);
    EXPECT_TRUE(prompts.last().text.contains(sets + QStringLiteral("/Deckmora ")));
    EXPECT_FALSE(ui.Rec->isOn());
    EXPECT_EQ(ui.lblRec->text(), QString());
    ASSERT_TRUE(soundchoice::saveRecordFolder({}));
}

TEST(CueChoice, StoredValuesReadBackOrFallToTheDefault) {
    using R = AudioEngine::CueRouting;
    struct Case {
        QString routing, balance;
        R readRouting;
        int readBalance;
    };
    const std::vector<Case> cases = {
        {QStringLiteral("Split"), QStringLiteral("30"), R::Split, 30},
        {QStringLiteral("channels34"), QStringLiteral("150"), R::Channels34, 100},
        {QStringLiteral("Loud"), QStringLiteral("-5"), R::Off, 0},
    };
    for (const Case& c : cases) {
        platform::SettingsStore::write(runcounter::appName(), QStringLiteral("Sound"),
                                       QStringLiteral("CueRouting"), c.routing);
        platform::SettingsStore::write(runcounter::appName(), QStringLiteral("Sound"),
                                       QStringLiteral("CueBalance"), c.balance);
        const soundchoice::CueChoice read = soundchoice::loadCue();
        EXPECT_EQ(read.routing, c.readRouting) << c.routing.toStdString();
        EXPECT_EQ(read.balance, c.readBalance) << c.balance.toStdString();
    }
    // The engine hears of a device only for the routing that uses one.
    const AudioEngine::CueOptions split =
        soundchoice::cueOptions({R::Split, QStringLiteral("pulse:usb"), 25});
    EXPECT_EQ(split.device, "");
    EXPECT_FLOAT_EQ(split.balance, 0.25f);
    EXPECT_EQ(soundchoice::cueOptions({R::Device, QStringLiteral("pulse:usb"), 100}).device, "pulse:usb");
    ASSERT_TRUE(soundchoice::saveCue({}));
}

// The Sound window's pre-listen and recording choices (format and folder) reach the engine, are stored by
// Apply and shown again by the next window.
TEST(SoundWindowCue, ApplyStoresWhatTheNextWindowShows) {
    ScriptedPrompts prompts;
    TempDir dir;
    auto engine = AudioEngine::createOffline(44100);
    {
        SoundWindow sound(*engine);
        EXPECT_EQ(sound.cboCueRouting->currentIndex(), int(AudioEngine::CueRouting::Off));
        EXPECT_FALSE(sound.cboCueDevice->isEnabled());
        EXPECT_EQ(sound.cboRecordFormat->currentIndex(), int(Format::Flac));
        sound.cboCueRouting->setCurrentIndex(int(AudioEngine::CueRouting::Device));
        EXPECT_TRUE(sound.cboCueDevice->isEnabled());
        sound.cboCueRouting->setCurrentIndex(int(AudioEngine::CueRouting::Split));
        EXPECT_FALSE(sound.cboCueDevice->isEnabled());
        sound.sldCueBalance->setValue(70);
        // the balance is heard as it moves; the routing waits for Apply
        EXPECT_FLOAT_EQ(engine->cue().balance, 0.7f);
        EXPECT_EQ(engine->cue().routing, AudioEngine::CueRouting::Off);
        sound.cboRecordFormat->setCurrentIndex(int(Format::Wav));
        // the folder: the default until one is chosen; a cancelled chooser keeps what was there
        EXPECT_TRUE(sound.lblRecordFolder->text().endsWith(QStringLiteral("(default)")));
        EXPECT_FALSE(sound.cmdRecordFolderDefault->isEnabled());
        prompts.answerFolder(dir.path()).answerFolder(QString());
        sound.cmdRecordFolder->click();
        sound.cmdRecordFolder->click();
        EXPECT_EQ(prompts.last().dialog.initialDir, dir.path());
        EXPECT_EQ(sound.lblRecordFolder->text(), QDir::toNativeSeparators(dir.path()));
        EXPECT_TRUE(sound.cmdRecordFolderDefault->isEnabled());
        EXPECT_EQ(soundchoice::loadRecordFolder(), QString()); // stored on Apply
        sound.Apply_Click();
        EXPECT_EQ(engine->cue().routing, AudioEngine::CueRouting::Split);
    }
    const soundchoice::CueChoice stored = soundchoice::loadCue();
    EXPECT_EQ(stored.routing, AudioEngine::CueRouting::Split);
    EXPECT_EQ(stored.balance, 70);
    EXPECT_EQ(soundchoice::loadRecordFormat(), Format::Wav);
    {
        SoundWindow again(*engine);
        EXPECT_EQ(again.cboCueRouting->currentIndex(), int(AudioEngine::CueRouting::Split));
        EXPECT_EQ(again.sldCueBalance->value(), 70);
        EXPECT_EQ(again.cboRecordFormat->currentIndex(), int(Format::Wav));
        EXPECT_EQ(again.recordFolder(), dir.path());
        again.cmdRecordFolderDefault->click();
        again.Apply_Click();
    }
    EXPECT_EQ(soundchoice::loadRecordFolder(), QString());
    ASSERT_TRUE(soundchoice::saveCue({}));
    ASSERT_TRUE(soundchoice::saveRecordFormat(Format::Flac));
    EXPECT_EQ(prompts.count(), 2); // the two folder choosers
}

} // namespace
