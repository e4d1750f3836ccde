// A deck caption on a real X display, where the viewport puts it on screen itself: what reaches the screen is
// read back from the X server and compared, pixel for pixel, with the caption's picture where its label lies.
#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "captionlabel.h"
#include "frmmain.h"
#include "media/audioengine.h"
#include "paintlog.h"
#include "skin.h"
#include "waitfor.h"

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

// The viewport as it should look: its colour, and the caption's picture at the label's place.
QImage expected(CaptionViewport* viewport, CaptionLabel* label) {
    QImage image(viewport->size(), QImage::Format_RGB32);
    image.fill(viewport->palette().color(QPalette::Window));
    QPainter p(&image);
    p.drawPixmap(label->pos(), label->picture());
    return image;
}

class CaptionScreen : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display (run through xsession.sh)";
    }
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
    label->resize(label->sizeHint().width(), 13);
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
        label->move(x, 2);
        viewport->captionMoved();
        EXPECT_TRUE(waitFor([&] { return onScreen(viewport) == expected(viewport, label); }));
    }
    for (const auto& p : paints)
        EXPECT_TRUE(p->seen.isEmpty());

    // A caption longer than the server's largest picture is cut at its end and still runs out of the frame.
    label->setText(QString(6000, QLatin1Char('m')));
    label->resize(label->sizeHint().width(), 13);
    ASSERT_GT(label->width(), 32767);
    for (const int x : {3, -label->width() - 4}) {
        SCOPED_TRACE(x);
        label->move(x, 2);
        viewport->captionMoved();
        EXPECT_TRUE(waitFor([&] { return onScreen(viewport) == expected(viewport, label); }));
    }

    // A new text makes a new picture; shown again after being hidden, the window gets it back from the
    // server.
    label->setText(QStringLiteral("Now Paused: another"));
    label->resize(label->sizeHint().width(), 13);
    viewport->captionMoved();
    window.hide();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(waitFor([&] { return onScreen(viewport) == expected(viewport, label); }));
}

// The main window's scroll tick reaches the screen through its viewports; a grab of the window (pictures of
// it, a screen reader's) shows the captions as the screen does.
TEST_F(CaptionScreen, TheScrollTickMovesBothDeckCaptionsOnScreen) {
    const auto engine = platform::media::AudioEngine::createOffline(8000);
    frmMain w(*engine);
    auto& ui = w.elementsForTest();
    w.setQuitAction([] {});
    ui.Timer1->stop();
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
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
