// The DJ view in the main window: opening and closing beneath the face, the overviews' seeks, the decks at a
// glance, the meters, the zoom, and paints only while something moves.
#include <QAction>
#include <QListWidget>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <map>

#include "analysis/analysisservice.h"
#include "analysis/waveform.h"
#include "console/djrules.h"
#include "core/twips.h"
#include "media/mediaplayer.h"
#include "paintlog.h"
#include "songfiles.h"
#include "ui/progressbar.h"
#include "waitfor.h"
#include "windowfixture.h"
#include "windows/deckstate.h"
#include "windows/djlayout.h"
#include "windows/djview.h"
#include "windows/levelmeter.h"
#include "windows/overviewstrip.h"
#include "windows/skin.h"
#include "windows/switchbutton.h"
#include "windows/waveformstrip.h"

using namespace player;

using platform::analysis::WaveColumn;
using platform::analysis::Waveform;
using platform::media::PlayState;

namespace {

QAction* actionFor(MainWindow& w, const QString& key) {
    return keyAction(w, QKeySequence(key));
}

// A press with any button at `x` (logical pixels, fractions allowed) along `w`.
void pressAt(QWidget* w, double x, Qt::MouseButton button = Qt::LeftButton) {
    const QPointF at(x, w->height() / 2.0);
    QMouseEvent e(QEvent::MouseButtonPress, at, w->mapToGlobal(at), button, button, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

class DjViewTest : public WindowFixture {
protected:
    DjViewTest() {
        // The analysis' cache goes with the test.
        qputenv("XDG_CACHE_HOME", dir.file(QStringLiteral("cache")).toLocal8Bit());
        djrules::saveViewChoice({false, djrules::kDefaultZoom});
        // The service marks a waveform complete, then stores it and tells: the view repaints when told.
        QObject::connect(w.console().analysis(), &platform::analysis::AnalysisService::finished, &w,
                         [this](const QString& song) { told << song; });
    }
    ~DjViewTest() override { djrules::saveViewChoice({false, djrules::kDefaultZoom}); }
    void load(int deck, const QString& name, double seconds) {
        ASSERT_TRUE(writeSong(dir.file(name), seconds));
        w.loadSong(deck, name, dir.file(name));
    }
    DjView* open() {
        if (!w.djViewOpen())
            w.DJ_Click();
        return w.djView();
    }
    QStringList told;  // the songs the analysis has told of, finished
    QString loaded[2]; // each deck's song
    // Waits for the decks' songs to be analysed (and the view told), the view shown and every first paint
    // made.
    void settle(DjView* dj) {
        w.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&w));
        for (int d = 0; d < 2; ++d) {
            if (const auto wf = dj->waveform(d)) {
                EXPECT_TRUE(waitFor([&] { return wf->complete(); }));
                const QString song = w.console().deck(d).fileName();
                EXPECT_TRUE(waitFor([&] { return told.contains(song); })) << song.toStdString();
            }
        }
        for (int i = 0; i < 3; ++i) {
            w.Timer1_Timer();
            QCoreApplication::processEvents();
        }
    }
};

} // namespace

// Open, the view lies beneath the face and the window grows by its height; nothing of the face moves. The
// choice is kept and the next start opens as the last one closed.
TEST_F(DjViewTest, OpensBeneathTheFaceAndTheChoiceIsKept) {
    w.show();
    const QSize closed = w.size();
    std::map<QWidget*, QRect> face;
    for (QWidget* c : w.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        face[c] = c->geometry();
    QAction* key = actionFor(w, QStringLiteral("W"));
    ASSERT_TRUE(key);
    EXPECT_TRUE(ui.DJ->toolTip().endsWith(QStringLiteral("(W)"))) << ui.DJ->toolTip().toStdString();

    key->trigger();
    ASSERT_TRUE(w.djViewOpen());
    const QRect view = platform::toPixels({0, 0, djlayout::kWidth, djlayout::kHeight});
    EXPECT_EQ(w.size(), QSize(closed.width(), closed.height() + view.height()));
    EXPECT_EQ(w.djView()->geometry(), view.translated(0, closed.height()));
    EXPECT_TRUE(w.djView()->isVisible());
    EXPECT_TRUE(ui.DJ->isOn());
    for (const auto& [child, place] : face)
        EXPECT_EQ(child->geometry(), place) << child->objectName().toStdString();
    EXPECT_TRUE(djrules::loadViewChoice().open);
    {
        MainWindow next(*engine);
        next.setQuitAction([] {});
        EXPECT_TRUE(next.djViewOpen());
        next.show();
        EXPECT_EQ(next.size(), w.size());
    }

    key->trigger();
    EXPECT_FALSE(w.djViewOpen());
    EXPECT_FALSE(w.djView()->isVisible());
    EXPECT_FALSE(ui.DJ->isOn());
    EXPECT_EQ(w.size(), closed);
    EXPECT_FALSE(djrules::loadViewChoice().open);
    MainWindow next(*engine);
    EXPECT_FALSE(next.djViewOpen());
    EXPECT_FALSE(next.djView()); // nothing made
}

// A press on an overview moves the deck exactly as a press at the same share of its position bar does,
// whatever the deck's state; a deck without a song stays where it is.
TEST_F(DjViewTest, OverviewPressSeeksAsThePositionBarDoes) {
    load(0, QStringLiteral("a.wav"), 40);
    load(1, QStringLiteral("b.wav"), 40);
    DjView* dj = open();
    OverviewStrip* overview = dj->overview(0);
    int seeked = -1;
    QObject::connect(&w, &MainWindow::deckSeeked, [&](int d) { seeked = d; });
    w.Play_Click(0);
    w.Pause_Click(0);
    for (const double share : {0.0, 0.13, 0.5, 0.871, 1.0}) {
        SCOPED_TRACE(share);
        pressAt(ui.PB1[1], share * ui.PB1[1]->width());
        pressAt(overview, share * overview->width(), share > 0.5 ? Qt::RightButton : Qt::LeftButton);
        // The same rule on strips of other widths: equal but for the last rounding.
        EXPECT_NEAR(ui.MP[0]->position(), ui.MP[1]->position(), 1e-5);
        EXPECT_NEAR(ui.MP[0]->position(), 40 * share, 1e-4);
        EXPECT_EQ(ui.MP[0]->state(), PlayState::Paused);
        EXPECT_EQ(seeked, 0);
        EXPECT_EQ(w.activeDeck(), 0);
    }
    w.Stop_Click(1);
    ui.MP[1]->open(dir.file(QStringLiteral("missing.wav")));
    pressAt(dj->overview(1), 10);
    EXPECT_EQ(ui.MP[1]->position(), 0);
}

// The transport lit as the deck stands, the song's name and its clock, the time left turning to the warning
// colour in the last 30 s.
TEST_F(DjViewTest, DecksAtAGlance) {
    DjView* dj = open();
    w.Timer1_Timer();
    EXPECT_EQ(dj->state(0)->shown().light, djrules::Light::None);
    EXPECT_EQ(dj->state(0)->shown().name, QStringLiteral("no song"));
    EXPECT_TRUE(dj->state(0)->shown().played.isEmpty());

    load(0, QStringLiteral("Night Drive.wav"), 45);
    const struct {
        void (MainWindow::*command)(int);
        djrules::Light light;
    } steps[] = {{&MainWindow::Stop_Click, djrules::Light::Stop},
                 {&MainWindow::Play_Click, djrules::Light::Play},
                 {&MainWindow::Pause_Click, djrules::Light::Pause}};
    for (const auto& s : steps) {
        (w.*s.command)(0);
        w.Timer1_Timer();
        EXPECT_EQ(dj->state(0)->shown().light, s.light);
    }
    const DeckState::View& v = dj->state(0)->shown();
    EXPECT_EQ(v.name, QStringLiteral("Night Drive.wav"));
    EXPECT_EQ(v.played, QStringLiteral("0:00.0"));
    EXPECT_EQ(v.left, QStringLiteral("-0:45.0"));
    EXPECT_FALSE(v.warning);
    w.console().seek(0, 15.5);
    w.Timer1_Timer();
    EXPECT_EQ(dj->state(0)->shown().left, QStringLiteral("-0:29.5"));
    EXPECT_TRUE(dj->state(0)->shown().warning);
    EXPECT_EQ(dj->state(1)->shown().light, djrules::Light::None);
}

// Fed by the mix, a meter rises, holds and lights its clip light; the others stay dark and unpainted.
TEST_F(DjViewTest, MetersShowWhatTheirFeedSaw) {
    DjView* dj = open();
    settle(dj);
    PaintLog<bool> deck0(dj->meter(0), [](const QPaintEvent&) { return true; });
    PaintLog<bool> deck1(dj->meter(1), [](const QPaintEvent&) { return true; });
    const float loud[] = {0.25f, -1.0f, 0.1f, 0.5f};
    ui.MP[0]->meter().feed(loud, 2);
    w.Timer1_Timer();
    QCoreApplication::processEvents();
    const djrules::MeterBallistics& m = dj->meter(0)->ballistics();
    EXPECT_NEAR(m.level(0), djrules::MeterBallistics::fraction(0.25f), 1e-6);
    EXPECT_DOUBLE_EQ(m.level(1), 1);
    EXPECT_TRUE(m.clipLit());
    EXPECT_FALSE(deck0.seen.isEmpty());
    EXPECT_TRUE(deck1.seen.isEmpty());
    EXPECT_TRUE(dj->meter(1)->atRest());
    EXPECT_TRUE(dj->masterMeter()->atRest());
    // The clip light is lit on screen: the meter's top row holds its red.
    const QImage shot = dj->meter(0)->grab().toImage();
    EXPECT_EQ(shot.pixelColor(shot.width() / 2, 3), QColor(255, 60, 60));
}

// With songs loaded but none playing, no tick repaints anything of the view; a playing deck repaints its own
// strip and overview, not the other deck's.
TEST_F(DjViewTest, NothingRepaintsWhileNothingPlays) {
    load(0, QStringLiteral("a.wav"), 30);
    load(1, QStringLiteral("b.wav"), 30);
    DjView* dj = open();
    settle(dj);
    std::vector<std::pair<QWidget*, std::unique_ptr<PaintLog<bool>>>> logs;
    logs.emplace_back(dj, nullptr);
    for (QWidget* c : dj->findChildren<QWidget*>())
        logs.emplace_back(c, nullptr);
    for (auto& [widget, log] : logs)
        log = std::make_unique<PaintLog<bool>>(widget, [](const QPaintEvent&) { return true; });
    for (int i = 0; i < 20; ++i) {
        w.Timer1_Timer();
        QCoreApplication::processEvents();
    }
    for (auto& [widget, log] : logs)
        EXPECT_TRUE(log->seen.isEmpty()) << widget->metaObject()->className();
    EXPECT_TRUE(dj->atRest());

    w.Play_Click(0);
    render(0.5);
    w.Timer1_Timer();
    QCoreApplication::processEvents();
    for (auto& [widget, log] : logs) {
        const bool deck0 = widget == dj->wave(0) || widget == dj->overview(0) || widget == dj->state(0);
        const bool deck1 = widget == dj->wave(1) || widget == dj->overview(1) || widget == dj->state(1);
        if (deck0) {
            EXPECT_FALSE(log->seen.isEmpty()) << widget->metaObject()->className();
        } else if (deck1) {
            EXPECT_TRUE(log->seen.isEmpty()) << widget->metaObject()->className();
        }
    }
    EXPECT_FALSE(dj->atRest());
}

// The keys and the wheel move the zoom along its ladder, and the choice is kept; closed, the keys leave it.
TEST_F(DjViewTest, ZoomByKeysAndWheel) {
    QAction* in = actionFor(w, QStringLiteral("+"));
    QAction* out = actionFor(w, QStringLiteral("-"));
    ASSERT_TRUE(in && out);
    in->trigger();
    DjView* dj = open();
    EXPECT_EQ(dj->zoom(), djrules::kDefaultZoom);
    in->trigger();
    EXPECT_EQ(dj->wave(0)->secondsAcross(), 8);
    EXPECT_EQ(dj->wave(1)->secondsAcross(), 8);
    out->trigger();
    out->trigger();
    EXPECT_EQ(dj->zoom(), 12);
    const QPointF at(20, 10);
    for (const int delta : {60, 60, 120}) { // two half steps of a fine wheel make one
        QWheelEvent e(at, dj->wave(1)->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(dj->wave(1), &e);
    }
    EXPECT_EQ(dj->zoom(), 8);
    EXPECT_EQ(djrules::loadViewChoice().zoom, 8);
}

// The strip lays the song out in whole pixels around the play head: a loud tenth of a second at 5 s lies
// under the head at 5 s, and one second's pixels to its right a second earlier; the bands take their colours.
TEST(WaveformStrip, RenderPutsTheSongUnderThePlayHead) {
    Waveform wf;
    const int perSecond = Waveform::kColumnsPerSecond;
    std::vector<WaveColumn> columns(10 * perSecond);
    for (int c = 5 * perSecond; c < 5 * perSecond + perSecond / 10; ++c)
        columns[c] = {1.0f, 0.0f, 0.0f, 0.0f};
    for (int c = 8 * perSecond; c < 9 * perSecond; ++c)
        columns[c] = {1.0f, 0.7f, 0.0f, 0.0f}; // a low band only
    wf.append(columns.data(), int(columns.size()));
    wf.finish();
    QImage image(400, 41, QImage::Format_RGB32);
    const int head = 200, mid = 20; // 40 pixels a second at 10 s across
    auto loud = [&](int x) { return image.pixel(x, mid - 5) != image.pixel(x, 0); };
    for (const double at : {5.0, 4.0, 6.0}) {
        SCOPED_TRACE(at);
        WaveformStrip::render(image, &wf, at, 10, skin::deckColour(0));
        const int from = head + int((5.0 - at) * 40);
        for (int x = from - 3; x < from + 7; ++x)
            if (x < head - 1 || x > head) { // the head itself is drawn over
                EXPECT_EQ(loud(x), x >= from && x < from + 4) << x;
            }
    }
    // The peak alone is an outline in the deck's colour, dimmed; a band shows in its own colour.
    const QColor outline = image.pixelColor(head - 40, mid - 5);
    EXPECT_NE(outline, skin::bandColour(0));
    EXPECT_GT(outline.blue(), outline.red());
    WaveformStrip::render(image, &wf, 8.5, 10, skin::deckColour(0));
    EXPECT_EQ(image.pixelColor(head + 10, mid - 5), skin::bandColour(0));
    // Before the song's start the strip is empty.
    WaveformStrip::render(image, &wf, 0.0, 10, skin::deckColour(0));
    EXPECT_EQ(image.pixel(10, mid - 5), image.pixel(10, 0));

    // A song half analysed shows what is in, nothing beyond, and its progress along the foot.
    Waveform half;
    half.setExpectedColumns(20 * perSecond);
    half.append(columns.data(), int(columns.size()));
    WaveformStrip::render(image, &half, 8.0, 10, skin::deckColour(0));
    EXPECT_TRUE(loud(head + 10));
    const QRgb ground = image.pixel(399, 0);
    EXPECT_EQ(image.pixel(head + 90, mid - 5), ground) << "beyond what is in";
    EXPECT_NE(image.pixel(100, 40), ground);
    EXPECT_EQ(image.pixel(300, 40), ground);
}

// A song with seconds of silence at both ends: the overview marks them along its foot, and with "Level
// songs" on the deck says by how much its song is levelled.
TEST_F(DjViewTest, SilentEndsShadedAndTheLevelShown) {
    std::vector<float> frames(size_t(17 * 8000), 0.0f);
    for (size_t f = 3 * 8000; f < 13 * 8000; ++f)
        frames[f] = 0.3f * float(std::sin(2 * 3.14159265 * 440 * double(f) / 8000));
    const QString path = dir.file(QStringLiteral("quiet ends.wav"));
    ASSERT_TRUE(songfiles::write(path, songfiles::Kind::Wav16, 8000, 1, frames));
    w.console().setAutoMix({automix::Transition::Cut, 8, true, -14});
    w.loadSong(0, QStringLiteral("quiet ends.wav"), path);
    DjView* dj = open();
    settle(dj);
    EXPECT_TRUE(waitFor([&] { return w.console().levelGain(0).has_value(); }));
    w.Timer1_Timer();
    EXPECT_TRUE(dj->state(0)->shown().level.startsWith(QStringLiteral("level ")))
        << dj->state(0)->shown().level.toStdString();
    const QImage strip = dj->overview(0)->grab().toImage();
    const int foot = strip.height() - 1;
    auto at = [&](double share) { return QColor(strip.pixel(int(share * (strip.width() - 1)), foot)); };
    for (const double silent : {0.05, 0.15, 0.85, 0.95})
        EXPECT_GT(at(silent).lightness(), at(0.5).lightness() + 40) << silent;
    w.console().setAutoMix({});
}
