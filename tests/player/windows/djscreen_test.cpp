// The DJ view on a real X display under a window manager (run through xsession.sh): the closed window is
// today's face but for its new switch, and what reaches the screen of the open view is read back from the X
// server.
#include <QApplication>
#include <QCursor>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <gtest/gtest.h>

#include "analysis/waveform.h"
#include "console/djrules.h"
#include "core/twips.h"
#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "tempdir.h"
#include "ui/serverpicture.h"
#include "waitfor.h"
#include "windows/djview.h"
#include "windows/mainlayout.h"
#include "windows/mainwindow.h"
#include "windows/overviewstrip.h"
#include "windows/ticks.h"
#include "windows/waveformstrip.h"

using namespace player;

namespace {

QImage onScreen(QWidget* w) {
    const QPoint at = w->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, at.x(), at.y(), w->width(), w->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// A song whose loudness changes every 50 ms at random, so no stretch of its picture looks like another.
bool writeBumpySong(const QString& path, double seconds, int rate) {
    std::vector<float> samples(static_cast<size_t>(seconds * rate));
    uint32_t seed = 12345;
    float amplitude = 0.5f;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (i % (rate / 20) == 0) {
            seed = seed * 1664525u + 1013904223u;
            amplitude = 0.05f + 0.9f * static_cast<float>(seed >> 8) / static_cast<float>(1u << 24);
        }
        samples[i] = amplitude * static_cast<float>(std::sin(2 * M_PI * 220 * static_cast<double>(i) / rate));
    }
    return songfiles::write(path, songfiles::Kind::WavFloat, rate, 1, samples);
}

class DjScreen : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display with a window manager (run through xsession.sh)";
        // The pointer keeps off the window: a button under it would light up. (xdotool's own wait would wait
        // for a move that never comes when the pointer is there already.)
        const QPoint away(1270, 1010);
        QProcess::execute(QStringLiteral("xdotool"), {"mousemove", "1270", "1010"});
        ASSERT_TRUE(waitFor([&] { return QCursor::pos() == away; }));
        djrules::saveViewChoice({false, djrules::kDefaultZoom});
        w = std::make_unique<MainWindow>(*engine);
        w->setQuitAction([] {});
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
        auto& ui = w->elementsForTest();
        ui.Timer1->stop();
        if (ui.captionBeat)
            ui.captionBeat->stop();
        for (int d = 0; d < 2; ++d)
            w->setCaptionLeft(d, mainlayout::kLblnow[d].left);
    }
    // The suite's other windows start closed, whatever a test here left stored.
    void TearDown() override {
        w.reset();
        djrules::saveViewChoice({false, djrules::kDefaultZoom});
    }

    // Plays the offline engine on by `seconds`, then shows the display tick's picture on screen.
    void playFor(double seconds) {
        const int rate = engine->sampleRate(), block = rate / 20;
        std::vector<float> out(2 * block);
        for (int left = static_cast<int>(std::lround(seconds * rate)); left > 0; left -= block)
            engine->render(out.data(), std::min(left, block));
        w->Timer1_Timer();
        QApplication::processEvents();
    }

    std::unique_ptr<platform::media::AudioEngine> engine = platform::media::AudioEngine::createOffline(8000);
    std::unique_ptr<MainWindow> w;
};

} // namespace

// Closed, the window is the face it was before the view came, pixel for pixel but for the switch.
TEST_F(DjScreen, ClosedItIsTodaysFaceButForTheSwitch) {
    QTest::qWait(200);
    const QImage now = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage before = QImage(QStringLiteral(DJ_FACE_PNG)).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(now.size(), before.size());
    const QRect sw = platform::toPixels(mainlayout::rect(mainlayout::Item::DJ));
    int outside = 0, inside = 0;
    for (int y = 0; y < now.height(); ++y)
        for (int x = 0; x < now.width(); ++x)
            if (now.pixel(x, y) != before.pixel(x, y))
                ++(sw.contains(x, y) ? inside : outside);
    EXPECT_EQ(outside, 0);
    EXPECT_GT(inside, 0);
}

// While a deck plays, its strip slides left by the strip's pixels a second of song, and the overview's played
// part ends where the engine says the deck is.
TEST_F(DjScreen, TheStripSlidesWithTheSongAndTheOverviewEndsAtThePosition) {
    TempDir dir;
    const QString song = dir.file(QStringLiteral("bumpy.wav"));
    ASSERT_TRUE(writeBumpySong(song, 30, 8000));
    w->loadSong(0, QStringLiteral("bumpy"), song);
    w->DJ_Click();
    DjView* dj = w->djView();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    ASSERT_TRUE(
        waitFor([&] { return dj->waveform(0) && dj->waveform(0)->complete(); }, std::chrono::seconds(20)));
    w->Play_Click(0);
    playFor(7.3);
    WaveformStrip* strip = dj->wave(0);
    ASSERT_TRUE(waitFor([&] {
        return strip->headPixel() == static_cast<long long>(std::floor(7.3 * strip->devicePixelsPerSecond()));
    }));
    QTest::qWait(100);
    const QImage a = onScreen(strip);
    const long long headA = strip->headPixel();
    playFor(1.0);
    ASSERT_TRUE(waitFor([&] { return strip->headPixel() != headA; }));
    QTest::qWait(100);
    const QImage b = onScreen(strip);
    const int shift = static_cast<int>(strip->headPixel() - headA);
    EXPECT_NEAR(shift, strip->devicePixelsPerSecond(), 1.0);
    // Everything still in sight moved left by exactly that, but for the play head itself.
    const int head = b.width() / 2;
    int moved = 0, stayed = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x + shift < b.width(); ++x) {
            if (x == head - 1 || x == head || x + shift == head - 1 || x + shift == head)
                continue;
            ++(b.pixel(x, y) == a.pixel(x + shift, y) ? moved : stayed);
        }
    EXPECT_EQ(stayed, 0) << moved;
    EXPECT_NE(a, b);

    w->Pause_Click(0);
    w->Timer1_Timer();
    OverviewStrip* overview = dj->overview(0);
    const double share = w->deckPlayer(0).position() / w->deckPlayer(0).length();
    const int edge = static_cast<int>(std::lround(share * overview->width()));
    ASSERT_TRUE(waitFor([&] { return overview->playedEdge() == edge; }));
    QTest::qWait(100);
    const QImage o = onScreen(overview);
    // The top row is the strip's ground: shaded left of the edge, the marker at it, plain beyond.
    const QRgb shaded = o.pixel(0, 0), plain = o.pixel(o.width() - 1, 0);
    EXPECT_LT(qGray(shaded), qGray(plain));
    for (int x = 0; x < o.width(); ++x) {
        const QRgb expect = x < edge ? shaded : x < edge + 2 ? qRgb(236, 238, 242) : plain;
        EXPECT_EQ(o.pixel(x, 0), expect) << x << " edge " << edge;
    }
}

// Open with nothing playing, the display tick rests as it does closed; a deck playing wakes it, and once the
// deck stops and the meters have fallen it rests again.
TEST_F(DjScreen, TheOpenViewLetsTheDisplayTickRest) {
    auto& ui = w->elementsForTest();
    w->DJ_Click();
    ui.Timer1->start();
    ASSERT_TRUE(waitFor([&] { return ui.Timer1->interval() == kRestingTickMs; }));
    TempDir dir;
    const QString song = dir.file(QStringLiteral("bumpy.wav"));
    ASSERT_TRUE(writeBumpySong(song, 5, 8000));
    w->loadSong(0, QStringLiteral("bumpy"), song);
    w->Play_Click(0);
    playFor(0.5);
    EXPECT_EQ(ui.Timer1->interval(), kTickIntervalMs);
    w->Stop_Click(0);
    EXPECT_TRUE(waitFor([&] { return ui.Timer1->interval() == kRestingTickMs; }, std::chrono::seconds(5)));
    EXPECT_TRUE(w->djView()->atRest());
}
