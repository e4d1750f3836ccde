// A deck caption on a real X display, where the viewport puts it on screen itself: what reaches the screen is
// read back from the X server and compared, pixel for pixel, with the caption's picture where its label lies.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>

#include "console/deckrules.h"
#include "core/twips.h"
#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "paintlog.h"
#include "songfiles.h"
#include "tempdir.h"
#include "ui/imagebutton.h"
#include "ui/progressbar.h"
#include "ui/serverpicture.h"
#include "ui/visibilitygate.h"
#include "waitfor.h"
#include "windows/captionlabel.h"
#include "windows/mainwindow.h"
#include "windows/skin.h"
#include "windows/ticks.h"

using namespace player;

namespace {

// What the X server shows of `w` (its own pixels and any window drawn over it).
QImage onScreen(QWidget* w) {
    const QPoint at = w->mapToGlobal(QPoint(0, 0));
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, at.x(), at.y(), w->width(), w->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// The viewport as it should look: its colour, and the caption's picture at `at` (the label's place).
QImage expected(CaptionViewport* viewport, CaptionLabel* label, std::optional<int> at = {}) {
    QImage image(viewport->size(), QImage::Format_RGB32);
    image.fill(viewport->palette().color(QPalette::Window));
    QPainter p(&image);
    p.drawPixmap(QPoint(at.value_or(label->x()), label->y()), label->picture());
    return image;
}

class CaptionScreen : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display (run through xsession.sh)";
    }
};

// The main window shown on the X display, its engine playing nowhere.
class MainOnScreen : public CaptionScreen {
protected:
    void SetUp() override {
        CaptionScreen::SetUp();
        if (IsSkipped())
            return;
        w.setQuitAction([] {});
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }

    std::unique_ptr<platform::media::AudioEngine> engine = platform::media::AudioEngine::createOffline(8000);
    MainWindow w{*engine};
    MainElements& ui = w.elementsForTest();
};

} // namespace

// Each step is one copy the X server makes from the picture it keeps: the caption lands where its label lies,
// cut by either edge or gone, and Qt repaints nothing for it.
TEST_F(CaptionScreen, EachStepPutsTheCaptionWhereItsLabelLiesWithoutARepaint) {
    QWidget window;
    window.resize(300, 60);
    auto* viewport = new CaptionViewport(&window);
    viewport->setGeometry(20, 20, 153, 17);
    skin::styleSurface(viewport, QColor(64, 64, 64));
    auto* label = new CaptionLabel(viewport);
    skin::styleLabel(label, Qt::white, skin::uiFont(11));
    label->setText(QStringLiteral("Now Playing: a song with a name"));
    label->setGeometry(0, 2, label->sizeHint().width(), 13);
    viewport->setCaption(label);
    auto* sibling = new QLabel(QStringLiteral("above"), &window); // made later, so stacked above the viewport
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(viewport->showsCaptionItself());
    // Only the viewport has a window of its own; a native sibling would be one more window for every element.
    EXPECT_EQ(sibling->internalWinId(), WId(0));

    std::vector<std::unique_ptr<PaintLog<bool>>> paints;
    for (QWidget* w : {&window, static_cast<QWidget*>(viewport), static_cast<QWidget*>(label)})
        paints.push_back(std::make_unique<PaintLog<bool>>(w, [](const QPaintEvent&) { return true; }));
    for (const int x : {3, 60, 140, 167, -40, -label->width() - 4}) {
        SCOPED_TRACE(x);
        viewport->setCaptionLeft(x * platform::kTwipsPerPixel);
        EXPECT_TRUE(waitFor([&] { return onScreen(viewport) == expected(viewport, label); }));
    }
    for (const auto& p : paints)
        EXPECT_TRUE(p->seen.isEmpty());

    // A caption longer than the server's largest picture is cut at its end and still runs out of the frame.
    label->setText(QString(6000, QLatin1Char('m')));
    label->resize(label->sizeHint().width(), 13);
    viewport->captionChanged();
    ASSERT_GT(label->width(), 32767);
    for (const int x : {3, -label->width() - 4}) {
        SCOPED_TRACE(x);
        viewport->setCaptionLeft(x * platform::kTwipsPerPixel);
        EXPECT_TRUE(waitFor([&] { return onScreen(viewport) == expected(viewport, label); }));
    }

    // A new text makes a new picture; shown again after being hidden, the window gets it back from the
    // server.
    label->setText(QStringLiteral("Now Paused: another"));
    label->resize(label->sizeHint().width(), 13);
    viewport->captionChanged();
    window.hide();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(waitFor([&] { return onScreen(viewport) == expected(viewport, label); }));
}

// The main window's scroll tick reaches the screen through its viewports; a grab of the window (pictures of
// it, a screen reader's) shows the captions as the screen does.
TEST_F(MainOnScreen, TheScrollTickMovesBothDeckCaptionsOnScreen) {
    ui.Timer1->stop();
    ASSERT_TRUE(ui.captionBeat);
    ui.captionBeat->stop();
    for (int step = 0; step < 5; ++step)
        w.Timer2_Timer();
    for (int d = 0; d < 2; ++d) {
        SCOPED_TRACE(d);
        EXPECT_TRUE(
            waitFor([&] { return onScreen(ui.SongInfo[d]) == expected(ui.SongInfo[d], ui.lblnow[d]); }));
        const QRect place(ui.SongInfo[d]->mapTo(&w, QPoint(0, 0)), ui.SongInfo[d]->size());
        EXPECT_EQ(w.grab(place).toImage().convertToFormat(QImage::Format_RGB32),
                  expected(ui.SongInfo[d], ui.lblnow[d]));
    }
}

// On X11 the captions step on a beat of their own: they move, and reach the screen where they are, while the
// UI thread's timer rests; out of sight they go on counting and nothing reaches the screen.
TEST_F(MainOnScreen, TheBeatMovesTheCaptionsWhileTheDisplayTickRests) {
    ASSERT_TRUE(ui.captionBeat && ui.captionBeat->running());
    EXPECT_EQ(ui.Timer1->interval(), kRestingTickMs);

    // How many steps lie between two left edges of a caption `width` twips wide; -1 when none within `most`.
    const auto stepsBetween = [](int from, int to, double width, int most) {
        for (int k = 0; k <= most; ++k, from = deckrules::nextCaptionLeft(from, width))
            if (from == to)
                return k;
        return -1;
    };
    const double width = platform::pixelsToTwips(ui.lblnow[0]->width());
    const int start = w.captionLeft(0);
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(waitFor([&] { return stepsBetween(start, w.captionLeft(0), width, 1000) >= 5; }));
    ui.captionBeat->stop();
    // No faster than its pace (a loaded machine may make it slower).
    const int beats = int(clock.elapsed() / kTickIntervalMs) + 1;
    EXPECT_LE(stepsBetween(start, w.captionLeft(0), width, 1000), beats);
    // The last beat's copy shows the caption where it now is.
    for (int d = 0; d < 2; ++d) {
        const int x = platform::twipsToPixels(w.captionLeft(d));
        EXPECT_TRUE(
            waitFor([&] { return onScreen(ui.SongInfo[d]) == expected(ui.SongInfo[d], ui.lblnow[d], x); }));
    }

    auto* gate = w.findChild<platform::VisibilityGate*>();
    ASSERT_TRUE(gate);
    const QImage before = onScreen(ui.SongInfo[0]);
    const int coveredAt = w.captionLeft(0);
    gate->setCovered(true);
    ui.captionBeat->start();
    EXPECT_TRUE(waitFor([&] { return stepsBetween(coveredAt, w.captionLeft(0), width, 1000) >= 3; }));
    ui.captionBeat->stop();
    EXPECT_EQ(onScreen(ui.SongInfo[0]), before);
    gate->setCovered(false);
    EXPECT_EQ(ui.lblnow[0]->x(), platform::twipsToPixels(w.captionLeft(0)));
    EXPECT_TRUE(waitFor([&] { return onScreen(ui.SongInfo[0]) == expected(ui.SongInfo[0], ui.lblnow[0]); }));
}

// Resting, the display tick still shows at once what announces itself: the song count and the task bar's
// caption, a seek; a playing deck brings the fast tick back for its bar, and it takes the captions over.
TEST_F(MainOnScreen, TheRestingDisplayTickShowsChangesAtOnce) {
    ASSERT_EQ(ui.Timer1->interval(), kRestingTickMs);
    TempDir dir;
    ASSERT_TRUE(writeSong(dir.file(QStringLiteral("song.wav")), 5));
    w.songList().append(QStringLiteral("song"), dir.file(QStringLiteral("song.wav")));
    EXPECT_EQ(ui.lblnrs->text(), QStringLiteral("Songs in list: 1"));
    w.setWindowState(Qt::WindowMinimized);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Deckmora"));
    w.setWindowState(Qt::WindowNoState);
    EXPECT_EQ(w.windowTitle(), QString());

    ui.lstnames->setCurrentRow(0);
    QTest::mouseClick(ui.LoadToPlayer[0], Qt::LeftButton);
    QTest::mouseClick(ui.Play[0], Qt::LeftButton);
    ASSERT_EQ(w.deckPlayer(0).state(), platform::media::PlayState::Playing);
    EXPECT_EQ(ui.Timer1->interval(), kTickIntervalMs);
    EXPECT_FALSE(ui.captionBeat->running());
    const int left = w.captionLeft(0);
    EXPECT_TRUE(waitFor([&] { return w.captionLeft(0) != left; }));
    // Paused, the bar stands still: the timer rests again and the beat takes the captions back.
    QTest::mouseClick(ui.Pause[0], Qt::LeftButton);
    EXPECT_TRUE(waitFor([&] { return ui.captionBeat->running(); }));
    EXPECT_EQ(ui.Timer1->interval(), kRestingTickMs);
    // A seek while paused shows on the bar at once, not at the next resting tick.
    QTest::mouseClick(ui.Volgend[0], Qt::LeftButton);
    EXPECT_EQ(ui.PB1[0]->value(), float(w.deckPlayer(0).position()));
}
