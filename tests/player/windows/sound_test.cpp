// Choosing the sound device: the command line, the settings file, the footer's notice and the Sound window.
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QSpinBox>
#include <QTest>
#include <QTextStream>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

#include "console/runcounter.h"
#include "console/soundchoice.h"
#include "core/settingsstore.h"
#include "media/audioengine.h"
#include "media/audiooutput.h"
#include "media/mediaplayer.h"
#include "media/mixer.h"
#include "scriptedprompts.h"
#include "ui/imagebutton.h"
#include "waitfor.h"
#include "windows/clicklabel.h"
#include "windows/mainwindow.h"
#include "windows/soundwindow.h"

using namespace player;

using platform::media::AudioEngine;
using namespace std::chrono_literals;

namespace {

std::vector<AudioEngine::DeviceInfo> twoDevices() {
    return {{"pulse:desk", "Desk speakers", true}, {"portaudio:default", "ALSA: default", false}};
}

struct ArgsCase {
    QStringList args;
    std::string stored;
    std::optional<int> status;
    std::string device; // options.device afterwards
    QString out, err;
};

TEST(SoundChoice, CommandLine) {
    const QString list =
        QStringLiteral("* pulse:desk  (Desk speakers)\n  portaudio:default  (ALSA: default)\n");
    const QString listPa =
        QStringLiteral("  pulse:desk  (Desk speakers)\n* portaudio:default  (ALSA: default)\n");
    const std::vector<ArgsCase> cases = {
        {{}, "", std::nullopt, "", {}, {}},
        {{"--list-devices"}, "", 0, "", list, {}},
        // the one in use: the stored choice when it is there
        {{"--list-devices"}, "portaudio:default", 0, "portaudio:default", listPa, {}},
        {{"--device", "default"}, "", std::nullopt, "portaudio:default", {}, {}},
        {{"--device", "default", "--list-devices"}, "", 0, "portaudio:default", listPa, {}},
        {{"--device", "gone"},
         "",
         2,
         "",
         {},
         "deckmora: there is no sound device called \"gone\"; these are the devices:\n" + list},
        {{"--device"}, "", 2, "", {}, "deckmora: --device needs the name of a device (see --list-devices)\n"},
    };
    for (const ArgsCase& c : cases) {
        platform::media::EngineOptions options;
        options.device = c.stored;
        QString out, err;
        QTextStream o(&out), e(&err);
        EXPECT_EQ(soundchoice::applyArguments(c.args, options, twoDevices, o, e), c.status)
            << c.args.join(' ').toStdString();
        EXPECT_EQ(options.device, c.device);
        EXPECT_EQ(out, c.out);
        EXPECT_EQ(err, c.err);
    }
}

TEST(SoundChoice, StoredChoiceIsHeldToItsRange) {
    EXPECT_EQ(soundchoice::load().device, QString());
    EXPECT_EQ(soundchoice::load().latencyMs, soundchoice::kDefaultLatencyMs);
    for (const auto& [stored, read] : std::vector<std::pair<int, int>>{{1, 10}, {25, 25}, {5000, 200}}) {
        ASSERT_TRUE(soundchoice::save({QStringLiteral("pulse:desk"), stored}));
        EXPECT_EQ(soundchoice::load().latencyMs, read);
        EXPECT_EQ(soundchoice::load().device, QStringLiteral("pulse:desk"));
    }
    ASSERT_TRUE(soundchoice::save({}));
}

TEST(SoundChoice, NoticeSaysWhatIsWrongAndNothingElse) {
    using S = AudioEngine::Status;
    EXPECT_TRUE(soundchoice::notice(S{true, false, {}, {}}).text.isEmpty()); // still opening
    EXPECT_TRUE(soundchoice::notice(S{false, true, "desk", {}}).text.isEmpty());
    EXPECT_EQ(soundchoice::notice(S{false, false, {}, {}}).text, QStringLiteral("no sound device"));
    const auto stopped = soundchoice::notice(S{false, false, "desk", {}});
    EXPECT_EQ(stopped.text, QStringLiteral("no sound device"));
    EXPECT_TRUE(stopped.tip.contains(QStringLiteral("desk")));
    const auto gone = soundchoice::notice(S{false, true, "desk", "usb"});
    EXPECT_TRUE(gone.text.contains(QStringLiteral("usb")));
    EXPECT_TRUE(gone.tip.contains(QStringLiteral("desk")));
    // A cued deck with no headphone output is told only while the sound itself is fine.
    EXPECT_EQ(soundchoice::notice(S{false, true, "desk", {}}, true).text, QStringLiteral("no headphones"));
    EXPECT_EQ(soundchoice::notice(S{false, false, {}, {}}, true).text, QStringLiteral("no sound device"));
    EXPECT_TRUE(soundchoice::notice(S{true, false, {}, {}}, true).text.isEmpty());
    // Channels 3-4 on a stereo device: told while there is sound, before the cued-deck notice.
    const auto twoChannels = soundchoice::notice(S{false, true, "desk", {}, true}, true);
    EXPECT_EQ(twoChannels.text, QStringLiteral("no channels 3-4"));
    EXPECT_TRUE(twoChannels.tip.contains(QStringLiteral("desk")));
    EXPECT_EQ(soundchoice::notice(S{false, false, "desk", {}, true}).text, QStringLiteral("no sound device"));
}

// A stereo device that takes the mix every 5 ms from a thread of its own, as a sound server's stream does.
struct StereoOutput final : platform::media::AudioOutput {
    explicit StereoOutput(platform::media::Mixer& m) : mix(m) {}
    ~StereoOutput() override { stop(); }
    bool start() override {
        thread = std::thread([this] {
            for (std::vector<float> b(size_t(2 * mix.period)); !quit; std::this_thread::sleep_for(5ms))
                mix.process(mixer, b.data(), mix.period);
        });
        return true;
    }
    void stop() override {
        quit = true;
        if (thread.joinable())
            thread.join();
    }
    std::string name() const override { return "desk"; }
    platform::media::Mixer& mix;
    std::atomic<bool> quit{false};
    std::thread thread;
};

// The headphones routed to channels 3-4 of a two-channel device: the footer and the Sound window say so, and
// both fall quiet once another routing is applied.
TEST(SoundWindow, ChannelsThreeAndFourOnAStereoDeviceAreShown) {
    ScriptedPrompts prompts;
    auto engine = AudioEngine::createWithOutput(
        44100, 512, [](platform::media::Mixer& m) { return std::make_unique<StereoOutput>(m); });
    MainWindow w(*engine);
    auto& ui = w.elementsForTest();
    w.setQuitAction([] {});
    ASSERT_TRUE(engine->waitUntilSettled(5000));
    w.openSoundSettings();
    SoundWindow* sound = w.soundWindow();
    const auto shows = [&](const QString& footer, const QString& window) {
        return waitFor(
            [&] {
                QCoreApplication::processEvents();
                return ui.lblSound->text() == footer && sound->lblStatus->text().contains(window);
            },
            std::chrono::seconds(5));
    };
    for (const auto& [routing, footer, window] :
         {std::tuple{AudioEngine::CueRouting::Channels34, QStringLiteral("no channels 3-4"),
                     QStringLiteral("desk has two channels")},
          std::tuple{AudioEngine::CueRouting::Split, QString(), QStringLiteral("Playing on desk.")}}) {
        sound->cboCueRouting->setCurrentIndex(static_cast<int>(routing));
        sound->Apply_Click();
        EXPECT_TRUE(shows(footer, window)) << ui.lblSound->text().toStdString();
    }
    soundchoice::saveCue({});
    soundchoice::save({});
    EXPECT_EQ(prompts.count(), 0);
}

// The footer tells while there is no sound and is quiet once a device answers; F2, Ctrl+comma and a
// right-click on the footer open the one Sound window.
TEST(SoundWindow, FooterNoticeAndTheWaysToTheSoundWindow) {
    ScriptedPrompts prompts;
    auto engine = AudioEngine::createWithOutput(
        44100, 512,
        [](platform::media::Mixer&) -> std::unique_ptr<platform::media::AudioOutput> { return nullptr; });
    MainWindow w(*engine);
    auto& ui = w.elementsForTest();
    w.setQuitAction([] {});
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    EXPECT_EQ(ui.lblSound->text(), QStringLiteral("no sound device"));
    EXPECT_EQ(w.soundWindow(), nullptr);
    // The notice takes no click from the footer's buttons.
    const std::vector<QWidget*> buttons = {ui.Close[0], ui.Close[1], ui.About, ui.Min};
    for (QWidget* b : buttons)
        EXPECT_FALSE(b->isVisible() && ui.lblSound->geometry().intersects(b->geometry()));

    QTest::keyClick(&w, Qt::Key_F2);
    ASSERT_NE(w.soundWindow(), nullptr);
    SoundWindow* sound = w.soundWindow();
    EXPECT_TRUE(sound->isVisible());
    sound->hide();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_TRUE(sound->isVisible());
    sound->hide();
    QTest::mouseClick(ui.lblSound, Qt::RightButton);
    EXPECT_TRUE(sound->isVisible());
    EXPECT_EQ(w.soundWindow(), sound);

    // Apply stores the choice; the engine takes it at once (here: still no device, so the notice stays).
    sound->txtLatency->setValue(25);
    sound->Apply_Click();
    EXPECT_EQ(soundchoice::load().latencyMs, 25);
    EXPECT_TRUE(waitFor([&] { return !sound->listing(); }, std::chrono::seconds(5)));
    EXPECT_EQ(sound->cboDevice->currentData().toString(), QString());
    // A change of the headphones alone keeps the main device as it is: no reopen, no gap in the music.
    sound->cboCueRouting->setCurrentIndex(static_cast<int>(AudioEngine::CueRouting::Split));
    sound->Apply_Click();
    EXPECT_EQ(engine->cue().routing, AudioEngine::CueRouting::Split);
    EXPECT_NE(sound->lblStatus->text(), QStringLiteral("Moving the sound..."));
    soundchoice::saveCue({});
    soundchoice::save({});
    EXPECT_EQ(prompts.count(), 0);
}

// The channel strip's keys turn the knobs of the deck their hand belongs to; "DJ mixer", applied in the Sound
// window, makes the sliders' places heard at once (deck 2's slider starts at its silent end).
TEST(SoundWindow, ChannelStripKeysAndTheFadersChoice) {
    ScriptedPrompts prompts;
    auto engine = AudioEngine::createOffline(8000);
    MainWindow w(*engine);
    w.setQuitAction([] {});
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    Console& console = w.console();
    using Band = Console::Band;
    QTest::keyClick(&w, Qt::Key_E);
    QTest::keyClick(&w, Qt::Key_F);
    QTest::keyClick(&w, Qt::Key_P, Qt::ShiftModifier);
    QTest::keyClick(&w, Qt::Key_Q, Qt::ShiftModifier);
    QTest::keyClick(&w, Qt::Key_9);
    EXPECT_DOUBLE_EQ(console.band(0, Band::High), 0.1);
    EXPECT_DOUBLE_EQ(console.band(0, Band::Low), -0.1);
    EXPECT_TRUE(console.kill(1, Band::Low));
    EXPECT_DOUBLE_EQ(console.gain(0), 1.0);
    EXPECT_DOUBLE_EQ(console.filter(1), 0.1);
    QTest::keyClick(&w, Qt::Key_0);
    EXPECT_FALSE(console.kill(1, Band::Low));
    EXPECT_EQ(console.filter(1), 0.0);
    EXPECT_DOUBLE_EQ(console.band(0, Band::High), 0.1);

    auto& ui = w.elementsForTest();
    EXPECT_EQ(ui.MP[1]->level(), 0); // as written: nothing applied at start
    QTest::keyClick(&w, Qt::Key_F2);
    SoundWindow* sound = w.soundWindow();
    ASSERT_NE(sound, nullptr);
    EXPECT_FALSE(sound->cboCrossfade->isEnabled());
    sound->cboFaders->setCurrentIndex(static_cast<int>(mixrules::Faders::DjMixer));
    EXPECT_TRUE(sound->cboCrossfade->isEnabled());
    sound->Apply_Click();
    EXPECT_EQ(soundchoice::loadFaders().faders, mixrules::Faders::DjMixer);
    EXPECT_EQ(console.faders(), mixrules::Faders::DjMixer);
    EXPECT_EQ(ui.MP[1]->level(), -9000);

    // The Auto-mix group: "Cut" for a file without the keys; applied, stored and handed to the console, the
    // length's box only with "Crossfade" and the target's only with "Level songs".
    EXPECT_EQ(sound->cboTransition->currentIndex(), static_cast<int>(automix::Transition::Cut));
    EXPECT_FALSE(sound->txtFadeSeconds->isEnabled());
    EXPECT_EQ(sound->txtFadeSeconds->value(), 8);
    EXPECT_EQ(sound->txtTargetLufs->value(), -14);
    sound->cboTransition->setCurrentIndex(static_cast<int>(automix::Transition::Crossfade));
    sound->txtFadeSeconds->setValue(12);
    sound->chkLevelSongs->setChecked(true);
    EXPECT_TRUE(sound->txtFadeSeconds->isEnabled() && sound->txtTargetLufs->isEnabled());
    sound->txtTargetLufs->setValue(-16);
    sound->Apply_Click();
    const automix::Settings kept = soundchoice::loadAutoMix();
    EXPECT_EQ(kept.transition, automix::Transition::Crossfade);
    EXPECT_EQ(kept.fadeSeconds, 12);
    EXPECT_TRUE(kept.levelSongs);
    EXPECT_EQ(kept.targetLufs, -16);
    EXPECT_EQ(console.autoMix().fadeSeconds, 12);
    // Hand-edited nonsense is held to what plays.
    platform::SettingsStore::write(runcounter::appName(), QStringLiteral("Sound"),
                                   QStringLiteral("FadeSeconds"), QStringLiteral("400"));
    EXPECT_EQ(soundchoice::loadAutoMix().fadeSeconds, automix::kFadeMaxSeconds);
    soundchoice::saveAutoMix({});
    soundchoice::saveFaders({});
    soundchoice::saveCue({});
    soundchoice::save({});
    EXPECT_EQ(prompts.count(), 0);
}

} // namespace
