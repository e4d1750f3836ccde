// The main window's face: its size (the steps and their store, the one rule that turns the layout's twips
// into pixels at a scale, the real window following it in every element, picture and font) and the wheel on
// its faders.
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QWheelEvent>
#include <array>
#include <cmath>
#include <gtest/gtest.h>

#include "console/runcounter.h"
#include "console/windowsize.h"
#include "core/settingsstore.h"
#include "program.h"
#include "ui/progressbar.h"
#include "ui/slider.h"
#include "windowfixture.h"
#include "windows/captionlabel.h"
#include "windows/clicklabel.h"
#include "windows/mainlayout.h"
#include "windows/switchbutton.h"

using namespace player;

TEST(WindowSize, StepsAndWhatTheStoreMaySay) {
    const std::array<int, 3> steps[] = {{100, 125, 100}, {175, 200, 150}, {200, 200, 175}, {110, 125, 100}};
    for (const auto& [from, larger, smaller] : steps)
        EXPECT_EQ(std::pair(windowsize::larger(from), windowsize::smaller(from)), std::pair(larger, smaller));
    for (const char* wrong : {"", "120", "1e3", "-150"})
        EXPECT_EQ(windowsize::fromText(QString::fromLatin1(wrong)), 100) << wrong;
    EXPECT_EQ(windowsize::fromText(" 200\n"), 200);
}

// Each edge and size at a scale is the design's times the scale, rounded once (halves to even).
TEST(WindowSize, EveryPlaceIsTheDesignsTimesTheScale) {
    for (const int percent : windowsize::kSteps) {
        const double s = windowsize::scaleOf(percent);
        for (const mainlayout::Entry& e : mainlayout::kTable) {
            const QRect design = platform::toPixels(e.rect), scaled = platform::toPixels(e.rect, s);
            const int got[] = {scaled.x(), scaled.y(), scaled.width(), scaled.height()};
            const int was[] = {design.x(), design.y(), design.width(), design.height()};
            for (int i = 0; i < 4; ++i) {
                EXPECT_LE(std::abs(got[i] - s * was[i]), 0.5) << percent << " % item " << int(e.item);
                if (std::fmod(s * was[i], 1.0) == 0.5) {
                    EXPECT_EQ(got[i] % 2, 0) << percent << " % item " << int(e.item);
                }
            }
        }
    }
}

namespace {

class WindowSizeTest : public WindowFixture {
protected:
    void SetUp() override {
        w.show();
        w.Form_Load();
    }
    QString stored() const {
        return platform::SettingsStore::read(runcounter::appName(), QString::fromLatin1(windowsize::kSection),
                                             QString::fromLatin1(windowsize::kKey));
    }
};

} // namespace

// Every element lies where the table puts it at the window's scale, with its font and pictures for that
// scale; a caption starts again just beyond its viewport's right edge, whatever the size.
TEST_F(WindowSizeTest, TheWholeWindowFollowsItsScale) {
    for (const int percent : {150, 200, 125, 100}) {
        SCOPED_TRACE(percent);
        w.showAtSize(percent);
        const double s = windowsize::scaleOf(percent);
        EXPECT_EQ(
            w.size(),
            platform::toPixels({0, 0, mainlayout::kVisibleWidth, mainlayout::kVisibleHeight}, s).size());
        const std::pair<mainlayout::Item, QWidget*> placed[] = {
            {mainlayout::Item::lstnames, ui.lstnames},
            {mainlayout::Item::Play1, ui.Play[1]},
            {mainlayout::Item::Rec, ui.Rec},
            {mainlayout::Item::Vol0, ui.Vol[0]},
            {mainlayout::Item::chbgoon, ui.chbgoon},
            {mainlayout::Item::lblSound, ui.lblSound},
            {mainlayout::Item::SongInfo1, ui.SongInfo[1]},
            {mainlayout::Item::PB1_0, ui.PB1[0]},
        };
        for (const auto& [item, widget] : placed)
            EXPECT_EQ(widget->geometry(), platform::toPixels(mainlayout::rect(item), s)) << int(item);
        EXPECT_EQ(QFontInfo(ui.lstnames->font()).pixelSize(), qRound(11 * s));
        EXPECT_EQ(QFontInfo(ui.lblnow[0]->font()).pixelSize(), qRound(11 * s));
        EXPECT_EQ(ui.Vol[0]->thumbPicture().deviceIndependentSize().toSize(),
                  QSize(qRound(14 * s), qRound(9 * s)));
        w.setCaptionLeft(0, mainlayout::kCaptionRestart);
        EXPECT_GT(ui.lblnow[0]->x(), ui.SongInfo[0]->width());
        EXPECT_LT(ui.lblnow[0]->x(), ui.SongInfo[0]->width() + 16 * s);
    }
}

// Ctrl+plus and Ctrl+minus step through the sizes and the menu picks one; each is kept for the next start.
TEST_F(WindowSizeTest, KeysAndMenuChangeTheSizeAndTheStoreKeepsIt) {
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keySequence(&w, QKeySequence(Qt::CTRL | Qt::Key_Plus));
    QTest::keySequence(&w, QKeySequence(Qt::CTRL | Qt::Key_Equal));
    EXPECT_EQ(w.windowSize(), 150);
    EXPECT_EQ(stored(), "150");
    QTest::keySequence(&w, QKeySequence(Qt::CTRL | Qt::Key_Minus));
    EXPECT_EQ(w.windowSize(), 125);

    QMenu* sizes = w.windowMenu()->actions().value(0)->menu();
    ASSERT_TRUE(sizes);
    const QList<QAction*> entries = sizes->actions(); // the five sizes, a line, the two keys
    ASSERT_EQ(entries.size(), 8);
    EXPECT_TRUE(entries[1]->isChecked());
    EXPECT_EQ(entries[6]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Plus));
    entries[3]->trigger();
    EXPECT_EQ(w.windowSize(), 175);
    EXPECT_EQ(stored(), "175");

    // The next start opens at the size kept.
    Program program(*engine);
    EXPECT_EQ(program.mainWindow().windowSize(), 175);
    program.mainWindow().setWindowSize(100);
}

// A notch of the wheel moves a fader as far as its keys do, through the console, so the level law is heard
// as from any other move; a touchpad's small turns add up to a notch.
TEST_F(WindowSizeTest, TheWheelMovesTheFaders) {
    auto wheel = [](QWidget* fader, int eighths) {
        QWheelEvent e(QPointF(fader->rect().center()), QPointF(fader->mapToGlobal(fader->rect().center())),
                      QPoint(), QPoint(0, eighths), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(fader, &e);
    };
    w.console().setDeckLevel(0, -2500);
    wheel(ui.Vol[0], 120);
    EXPECT_EQ(w.console().deckLevel(0), -2250);
    EXPECT_EQ(ui.Vol[0]->value(), -2250);
    wheel(ui.Vol[0], -240);
    EXPECT_EQ(w.console().deckLevel(0), -2750);
    for (int i = 0; i < 4; ++i)
        wheel(ui.Vol[0], 30);
    EXPECT_EQ(w.console().deckLevel(0), -2500);
    const int middle = w.console().crossfader();
    wheel(ui.volMain, -360);
    EXPECT_EQ(w.console().crossfader(), middle - 15);
    EXPECT_EQ(ui.volMain->value(), middle - 15);
}
