// What the main window's ticks paint: only what moved on screen, and nothing while out of sight.
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPaintEvent>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "core/twips.h"
#include "deckrules.h"
#include "frmmain.h"
#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "scriptedprompts.h"
#include "songfiles.h"
#include "tempdir.h"
#include "ui/progressbar.h"

using namespace player;

namespace {

// Counts the paint events of one widget and keeps the widest area one of them covered.
struct PaintLog : QObject {
    PaintLog(QWidget* w, const char* what) : name(what) { w->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            ++count;
            widest = std::max(widest, static_cast<QPaintEvent*>(e)->region().boundingRect().width());
        }
        return false;
    }
    const char* name;
    int count = 0;
    int widest = 0;
};

// A shown main window on an offline engine, deck 0 playing a 20-second song; its timer is stopped so the
// test ticks it.
class TicksTest : public ::testing::Test {
protected:
    void SetUp() override {
        w.setQuitAction([] {});
        ui.Timer1->stop();
        const QString path = dir.file(QStringLiteral("song.wav"));
        ASSERT_TRUE(writeSong(path, 20));
        ui.lstnames->addItem(QStringLiteral("song"));
        ui.lstFiles->addItem(path);
        ui.lstnames->setCurrentRow(0);
        w.LoadToPlayer_Click(0);
        w.Play_Click(0);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        render(1);
        tick();
        for (int d = 0; d < 2; ++d)
            w.setCaptionLeft(d, 0); // whole in view for the next ticks: no wrap, no new text
        QApplication::processEvents();
        logs.emplace_back(std::make_unique<PaintLog>(&w, "window"));
        logs.emplace_back(std::make_unique<PaintLog>(ui.lblnrs, "song count"));
        for (int d = 0; d < 2; ++d) {
            logs.emplace_back(std::make_unique<PaintLog>(ui.PB1[d], d ? "bar 1" : "bar 0"));
            logs.emplace_back(std::make_unique<PaintLog>(ui.lblnow[d], d ? "caption 1" : "caption 0"));
            logs.emplace_back(std::make_unique<PaintLog>(ui.SongInfo[d], d ? "viewport 1" : "viewport 0"));
        }
        if (ui.PB)
            logs.emplace_back(std::make_unique<PaintLog>(ui.PB, "gradient bar"));
    }

    void render(double seconds) {
        std::vector<float> out(2 * 800);
        for (int left = static_cast<int>(seconds * 8000); left > 0; left -= 800)
            engine->render(out.data(), std::min(left, 800));
    }
    void tick() {
        w.Timer1_Timer();
        w.Timer2_Timer();
        QApplication::processEvents();
    }
    const PaintLog& log(const char* name) const {
        for (const auto& l : logs)
            if (std::string_view(l->name) == name)
                return *l;
        throw std::runtime_error(name);
    }

    TempDir dir;
    ScriptedPrompts prompts;
    std::unique_ptr<platform::media::AudioEngine> engine = platform::media::AudioEngine::createOffline(8000);
    frmMain w{*engine};
    MainElements& ui = w.elementsForTest();
    std::vector<std::unique_ptr<PaintLog>> logs;
};

} // namespace

// A scroll step shifts the caption's pixels already on screen: only the strip it uncovers is painted. A bar
// whose fill stays on the same pixel, an unchanged count and the window's face paint nothing.
TEST_F(TicksTest, ATickRepaintsOnlyWhatMoved) {
    render(0.02); // under a pixel of a 20-second song
    for (int i = 0; i < 10; ++i)
        tick();
    const int stepPixels = platform::twipsToPixels(50) + 1;
    for (const auto& l : logs) {
        const std::string_view name = l->name;
        if (name.starts_with("caption") || name.starts_with("viewport"))
            EXPECT_LE(l->widest, stepPixels) << name;
        else
            EXPECT_EQ(l->count, 0) << name;
    }
    EXPECT_GT(log("viewport 0").count, 0); // the scroll did show

    render(2); // 2 s of 20 on a bar about 180 pixels wide: a strip of about 18
    tick();
    EXPECT_EQ(log("bar 0").count, 1);
    EXPECT_LT(log("bar 0").widest, ui.PB1[0]->width() / 4);
    EXPECT_EQ(log("window").count, 0);
}

// Minimised, the ticks paint nothing at all, yet every caption step and bar value is what it would have been;
// restored, the captions stand where their count says.
TEST_F(TicksTest, OutOfSightTheTicksPaintNothingAndKeepCounting) {
    w.setWindowState(Qt::WindowMinimized);
    int expected = w.captionLeft(0);
    for (int i = 0; i < 60; ++i) {
        render(0.1);
        tick();
        expected = deckrules::nextCaptionLeft(expected, platform::pixelsToTwips(ui.lblnow[0]->width()));
        ASSERT_EQ(w.captionLeft(0), expected);
    }
    for (const auto& l : logs)
        EXPECT_EQ(l->count, 0) << l->name;
    EXPECT_EQ(ui.PB1[0]->value(), static_cast<float>(ui.MP[0]->position()));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Deckmora"));

    w.setWindowState(Qt::WindowNoState);
    QApplication::processEvents();
    for (int d = 0; d < 2; ++d)
        EXPECT_EQ(ui.lblnow[d]->x(), platform::twipsToPixels(w.captionLeft(d)));
    EXPECT_GT(log("bar 0").count, 0);
}
