// What the bar and the visibility gate paint: nothing that did not change, nothing out of sight.
#include <QApplication>
#include <QPaintEvent>
#include <QTest>
#include <gtest/gtest.h>

#include "paintlog.h"
#include "ui/progressbar.h"
#include "ui/visibilitygate.h"

using platform::ProgressBar;
using platform::VisibilityGate;

namespace {

// The bounding rectangle of every paint event a widget receives.
struct RectLog : PaintLog<QRect> {
    explicit RectLog(QWidget* w)
        : PaintLog(w, [](const QPaintEvent& e) { return e.region().boundingRect(); }) {}
};

void settle(QWidget& w) {
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    QApplication::processEvents();
}

} // namespace

// A 102-pixel bar has 100 pixels of fill: one pixel per unit of a 0..100 range.
TEST(BarPainting, RepaintsOnlyTheStripOfFillThatMoved) {
    struct Case {
        float max, from, to;
        int paintedWidth; // 0: nothing painted
    };
    const Case cases[] = {
        {100, 40, 40, 0},    // the same value
        {100, 40, 40.3f, 0}, // less than a pixel
        {100, 40, 43, 3},    // grows by three pixels
        {100, 43, 41, 2},    // shrinks
        {100, 90, 250, 10},  // beyond the end: drawn full
        {100, 250, 300, 0},  // still full
        {200, 40, 40.8f, 0}, // the range halves each pixel's worth
    };
    for (const Case& c : cases) {
        ProgressBar bar;
        bar.resize(102, 12);
        bar.setMax(c.max);
        bar.setValue(c.from);
        bar.show();
        settle(bar);
        RectLog log(&bar);
        bar.setValue(c.to);
        QApplication::processEvents();
        const int width = log.seen.empty() ? 0 : log.seen.front().width();
        EXPECT_EQ(width, c.paintedWidth) << c.max << ": " << c.from << " -> " << c.to;
        EXPECT_LE(log.seen.size(), 1);
    }
}

// Minimised or covered, the window and its children paint nothing while their state goes on changing; shown
// again, the window is repainted once with what changed meanwhile.
TEST(VisibilityGate, NothingIsPaintedOutOfSight) {
    for (const bool minimise : {true, false}) {
        QWidget window;
        window.resize(200, 40);
        auto* bar = new ProgressBar(&window);
        bar->setGeometry(0, 0, 102, 12);
        VisibilityGate gate(&window);
        window.show();
        settle(window);
        EXPECT_FALSE(gate.hidden());
        RectLog windowLog(&window);
        RectLog barLog(bar);
        int changes = 0;
        QObject::connect(&gate, &VisibilityGate::hiddenChanged, [&](bool) { ++changes; });

        if (minimise)
            window.setWindowState(Qt::WindowMinimized);
        else
            gate.setCovered(true);
        EXPECT_TRUE(gate.hidden());
        for (int v = 1; v <= 30; ++v) {
            bar->setValue(static_cast<float>(v));
            QApplication::processEvents();
        }
        EXPECT_TRUE(windowLog.seen.empty() && barLog.seen.empty()) << "minimised " << minimise;
        EXPECT_EQ(bar->value(), 30);

        if (minimise)
            window.setWindowState(Qt::WindowNoState);
        else
            gate.setCovered(false);
        QApplication::processEvents();
        EXPECT_FALSE(gate.hidden());
        EXPECT_EQ(changes, 2);
        EXPECT_FALSE(barLog.seen.empty()) << "minimised " << minimise;
    }
}

// A window never shown keeps its widgets working as usual: it is not "hidden", only not there yet.
TEST(VisibilityGate, AWindowNeverShownIsNotHidden) {
    QWidget window;
    VisibilityGate gate(&window);
    window.setWindowState(Qt::WindowMinimized);
    gate.setCovered(true);
    EXPECT_FALSE(gate.hidden());
    EXPECT_TRUE(window.updatesEnabled());
}
