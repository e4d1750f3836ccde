// What the main window's ticks paint: only what moved on screen, and nothing while out of sight.
#include <QApplication>
#include <QLabel>
#include <QTest>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <map>

#include "console/deckrules.h"
#include "windows/captionlabel.h"
#include "core/twips.h"
#include "media/mediaplayer.h"
#include "paintlog.h"
#include "songfiles.h"
#include "ui/progressbar.h"
#include "windowfixture.h"

using namespace player;

namespace {

// A shown main window, deck 0 playing a 20-second song.
class TicksTest : public WindowFixture {
protected:
    using Log = std::unique_ptr<PaintLog<int>>;

    void SetUp() override {
        ASSERT_TRUE(writeSong(dir.file(QStringLiteral("song.wav")), 20));
        addEntry(QStringLiteral("song"), dir.file(QStringLiteral("song.wav")));
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
        watch("window", &w);
        watch("song count", ui.lblnrs);
        for (int d = 0; d < 2; ++d) {
            const std::string n = std::to_string(d);
            watch("bar " + n, ui.PB1[d]);
            watch("caption " + n, ui.lblnow[d]);
            watch("viewport " + n, ui.SongInfo[d]);
        }
        if (ui.PB)
            watch("gradient bar", ui.PB);
    }
    // Logs the width of the area each paint of `widget` covers.
    void watch(const std::string& name, QWidget* widget) {
        logs[name] = std::make_unique<PaintLog<int>>(
            widget, [](const QPaintEvent& e) { return e.region().boundingRect().width(); });
    }
    static int widest(const Log& l) {
        return l->seen.isEmpty() ? 0 : *std::max_element(l->seen.begin(), l->seen.end());
    }
    void tick() {
        w.Timer1_Timer();
        w.Timer2_Timer();
        QApplication::processEvents();
    }

    std::map<std::string, Log> logs;
};

} // namespace

// A scroll step shifts the caption's pixels already on screen: only the strip it uncovers is painted. A bar
// whose fill stays on the same pixel, an unchanged count and the window's face paint nothing.
TEST_F(TicksTest, ATickRepaintsOnlyWhatMoved) {
    render(0.02); // under a pixel of a 20-second song
    for (int i = 0; i < 10; ++i)
        tick();
    const int stepPixels = platform::twipsToPixels(50) + 1;
    for (const auto& [name, l] : logs) {
        if (name.starts_with("caption") || name.starts_with("viewport"))
            EXPECT_LE(widest(l), stepPixels) << name;
        else
            EXPECT_EQ(l->seen.size(), 0) << name;
    }
    EXPECT_GT(logs["viewport 0"]->seen.size(), 0); // the scroll did show

    render(2); // 2 s of 20 on a bar about 180 pixels wide: a strip of about 18
    tick();
    EXPECT_EQ(logs["bar 0"]->seen.size(), 1);
    EXPECT_LT(widest(logs["bar 0"]), ui.PB1[0]->width() / 4);
    EXPECT_EQ(logs["window"]->seen.size(), 0);
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
    for (const auto& [name, l] : logs)
        EXPECT_EQ(l->seen.size(), 0) << name;
    EXPECT_EQ(ui.PB1[0]->value(), static_cast<float>(ui.MP[0]->position()));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Deckmora"));

    w.setWindowState(Qt::WindowNoState);
    QApplication::processEvents();
    for (int d = 0; d < 2; ++d)
        EXPECT_EQ(ui.lblnow[d]->x(), platform::twipsToPixels(w.captionLeft(d)));
    EXPECT_GT(logs["bar 0"]->seen.size(), 0);
}

// A caption made wider without a new text (a resize, a larger font re-fitted after a scale change) wraps at
// its new width, whether it is shown or not.
TEST(CaptionWrap, TheViewportFollowsTheCaptionsWidthHoweverItChanges) {
    const struct {
        const char* how;
        bool shown;
        std::function<void(CaptionLabel*)> widen;
    } cases[] = {
        {"resize, shown", true, [](CaptionLabel* l) { l->resize(300, l->height()); }},
        {"resize, hidden", false, [](CaptionLabel* l) { l->resize(300, l->height()); }},
        {"font, shown", true,
         [](CaptionLabel* l) {
             QFont f = l->font();
             f.setPixelSize(f.pixelSize() > 0 ? f.pixelSize() * 3 : 36);
             l->setFont(f);
             l->adjustSize();
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        QWidget window;
        auto* viewport = new CaptionViewport(&window);
        viewport->setGeometry(0, 0, 150, 17);
        auto* label = new CaptionLabel(viewport);
        label->setText(QStringLiteral("Now Playing: a song"));
        label->resize(100, 13);
        viewport->setCaption(label);
        if (c.shown)
            window.show();
        c.widen(label);
        ASSERT_GT(label->width(), 100);
        const int left = -platform::roundToInt(platform::pixelsToTwips(100)) - 1; // past the old width
        viewport->setCaptionLeft(left);
        viewport->step();
        EXPECT_EQ(viewport->captionLeft(), left - 50);
    }
}
