// The DJ view's tempo: the faders and buttons turn the console and show it, the keys move them, SYNC matches
// the decks, the beat grid is drawn, and the Sound window keeps the key-lock engine.
#include <QComboBox>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "../../platform/analysis/beatsongs.h"
#include "analysis/waveform.h"
#include "console/soundchoice.h"
#include "console/temporules.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "waitfor.h"
#include "windowfixture.h"
#include "windows/deckstate.h"
#include "windows/djview.h"
#include "windows/soundwindow.h"
#include "windows/tempobuttons.h"
#include "windows/tempofader.h"
#include "windows/waveformstrip.h"

using namespace player;
using platform::analysis::BeatGrid;
using platform::analysis::SongFacts;
using platform::analysis::WaveColumn;
using platform::analysis::Waveform;
using Part = TempoButtons::Part;

namespace {

void mouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButtons held = Qt::LeftButton) {
    QMouseEvent e(type, at, w->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

class TempoViewTest : public WindowFixture {
protected:
    TempoViewTest() {
        djrules::saveViewChoice({false, djrules::kDefaultZoom});
        w.DJ_Click();
        dj = w.djView();
        w.show();
        w.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    ~TempoViewTest() override { djrules::saveViewChoice({false, djrules::kDefaultZoom}); }
    Console& console() { return w.console(); }
    void press(TempoButtons* b, Part part, bool release = true) {
        mouse(b, QEvent::MouseButtonPress, b->area(part).center());
        if (release)
            mouse(b, QEvent::MouseButtonRelease, b->area(part).center(), Qt::NoButton);
    }
    void loadBeats(int deck, double bpm) {
        beatsongs::Recipe r;
        r.bpm = bpm;
        r.seconds = 12;
        r.rate = 22050;
        const QString path = dir.file(QStringLiteral("%1.wav").arg(bpm));
        ASSERT_TRUE(songfiles::write(path, songfiles::Kind::Wav16, r.rate, 2, beatsongs::render(r)));
        w.loadSong(deck, QStringLiteral("beats"), path);
        ASSERT_TRUE(waitFor([&] { return console().facts(deck).beats.has_value(); }));
    }

    DjView* dj = nullptr;
};

TEST_F(TempoViewTest, TheFaderAndButtonsTurnTheConsoleAndShowIt) {
    TempoFader* fader = dj->tempoFader(0);
    TempoButtons* buttons = dj->tempoButtons(0);
    const QPointF centre(fader->width() / 2.0, fader->height() / 2.0);
    // Dragged down from wherever the cap is: faster, and the fader shows what the console holds.
    mouse(fader, QEvent::MouseButtonPress, centre);
    mouse(fader, QEvent::MouseMove, centre + QPointF(0, fader->height() / 4.0));
    EXPECT_GT(console().tempo(0), 1.02);
    EXPECT_LE(console().tempo(0), 1.08);
    EXPECT_EQ(fader->value(), temporules::faderValue(console().tempo(0), 0.08));
    EXPECT_EQ(buttons->shown().tempo, temporules::tempoText(console().tempo(0)));
    mouse(fader, QEvent::MouseMove, centre + QPointF(0, fader->height() * 2.0));
    EXPECT_DOUBLE_EQ(console().tempo(0), 1.08) << "held at the range's end";
    mouse(fader, QEvent::MouseButtonDblClick, centre);
    EXPECT_EQ(console().tempo(0), 1.0);
    EXPECT_EQ(fader->value(), 0);
    QWheelEvent wheel(centre, fader->mapToGlobal(centre), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(fader, &wheel);
    EXPECT_NEAR(console().tempo(0), 0.999, 1e-12) << "a notch up: a tenth of a percent slower";

    const double ranges[] = {0.16, 0.50, 0.08};
    for (double range : ranges) {
        press(buttons, Part::Range);
        EXPECT_EQ(console().tempoRange(0), range);
        EXPECT_EQ(buttons->shown().range, range);
    }
    press(buttons, Part::KeyLock);
    EXPECT_TRUE(console().keyLock(0));
    EXPECT_TRUE(ui.MP[0]->keyLock());
    EXPECT_TRUE(buttons->shown().keyLock);
    press(buttons, Part::Faster, false);
    EXPECT_EQ(console().nudging(0), 1);
    EXPECT_NEAR(ui.MP[0]->tempo(), 0.999 * 1.04, 1e-12);
    mouse(buttons, QEvent::MouseButtonRelease, QPointF(-50, -50), Qt::NoButton);
    EXPECT_EQ(console().nudging(0), 0) << "let go anywhere, the nudge ends";
    EXPECT_EQ(dj->tempoFader(1)->value(), 0) << "the other deck is left alone";
}

TEST_F(TempoViewTest, KeysMoveTheFaderAndHoldTheNudge) {
    const struct {
        int deck;
        Qt::Key key;
        double tempo;
        bool keyLock;
    } steps[] = {
        {0, Qt::Key_S, 1.001, false}, {0, Qt::Key_S, 1.002, false}, {0, Qt::Key_A, 1.001, false},
        {0, Qt::Key_V, 1.001, true},  {0, Qt::Key_D, 1.0, true},    {1, Qt::Key_J, 1.001, false},
        {1, Qt::Key_H, 1.0, false},   {1, Qt::Key_H, 0.999, false},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(::testing::Message()
                     << "deck " << s.deck << " key " << QKeySequence(s.key).toString().toStdString());
        QTest::keyClick(&w, s.key, Qt::AltModifier);
        EXPECT_NEAR(console().tempo(s.deck), s.tempo, 1e-12);
        EXPECT_EQ(console().keyLock(s.deck), s.keyLock);
        EXPECT_EQ(dj->tempoFader(s.deck)->value(), temporules::faderValue(s.tempo, 0.08));
    }
    // Held: the nudge lasts until its key comes up, even when Alt came up first.
    QTest::keyPress(&w, Qt::Key_Z, Qt::AltModifier);
    EXPECT_EQ(console().nudging(0), -1);
    QTest::keyRelease(&w, Qt::Key_Alt, Qt::AltModifier);
    EXPECT_EQ(console().nudging(0), -1);
    QTest::keyRelease(&w, Qt::Key_Z, Qt::NoModifier);
    EXPECT_EQ(console().nudging(0), 0);
    QTest::keyPress(&w, Qt::Key_M, Qt::AltModifier);
    EXPECT_EQ(console().nudging(1), 1);
    QTest::keyRelease(&w, Qt::Key_M, Qt::AltModifier);
    EXPECT_EQ(console().nudging(1), 0);
}

TEST_F(TempoViewTest, SyncMatchesTheTempoAndTheDeckShowsItsBeatsAMinute) {
    loadBeats(0, 126);
    loadBeats(1, 120);
    const double own = console().facts(0).beats->bpm, other = console().facts(1).beats->bpm;
    press(dj->tempoButtons(0), Part::Sync);
    EXPECT_NEAR(own * console().tempo(0), other, 1e-9);
    EXPECT_EQ(dj->tempoFader(0)->value(), temporules::faderValue(console().tempo(0), 0.08));
    dj->tick();
    EXPECT_EQ(dj->state(0)->shown().bpm, temporules::bpmText(other));
    EXPECT_EQ(dj->state(1)->shown().bpm, temporules::bpmText(other));
    // Tapped in by key: the count shows, and four taps make the tempo.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&w, Qt::Key_Slash, Qt::AltModifier);
    dj->tick();
    EXPECT_EQ(dj->state(1)->shown().taps, 3);
    QTest::keyClick(&w, Qt::Key_G, Qt::AltModifier); // twice the found tempo
    EXPECT_TRUE(
        waitFor([&] { return console().facts(0).beats->bpm == platform::analysis::doubledTempo(own); }));
}

TEST(TempoGrid, TheBeatsAreTicksAtTheEdgesFromTheFirstBeatOn) {
    Waveform wave;
    std::vector<WaveColumn> quiet(size_t(20 * Waveform::kColumnsPerSecond));
    wave.append(quiet.data(), int(quiet.size()));
    SongFacts facts;
    facts.beats = BeatGrid{120, 1.0};
    wave.setFacts(facts);
    wave.finish();
    // 100 pixels a second, second 5 under the play head at x 500: beats every 50 pixels from x 100.
    QImage image(1000, 60, QImage::Format_RGB32);
    WaveformStrip::render(image, &wave, 5.0, 10.0, Qt::red);
    const QRgb back = image.pixel(3, 20);
    for (int x = 0; x < 1000; ++x) {
        const int beat = x - 100;
        const bool tick = beat >= 0 && beat % 50 == 0;
        SCOPED_TRACE(x);
        EXPECT_EQ(image.pixel(x, 0) != back, tick || x == 499 || x == 500);
        if (tick && x != 500) {
            EXPECT_NE(image.pixel(x, 59), back) << "at the bottom too";
            // Every fourth beat from the first reaches further in.
            EXPECT_EQ(image.pixel(x, 8) != back, beat % 200 == 0);
        }
    }
}

TEST_F(TempoViewTest, TheSoundWindowKeepsTheKeyLockEngine) {
    using Engine = platform::media::AudioEngine::KeyLockEngine;
    EXPECT_EQ(soundchoice::loadKeyLock(), Engine::Light);
    for (Engine e : {Engine::Fine, Engine::Light}) {
        SoundWindow sound(*engine);
        sound.cboKeyLock->setCurrentIndex(int(e));
        sound.Apply_Click();
        EXPECT_EQ(engine->keyLockEngine(), e);
        EXPECT_EQ(soundchoice::loadKeyLock(), e);
        SoundWindow again(*engine);
        EXPECT_EQ(again.cboKeyLock->currentIndex(), int(e));
    }
}

} // namespace
