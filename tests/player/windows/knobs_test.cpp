// The DJ view's knobs, kill squares and limiter light in the main window: the mouse turns the console, the
// console and the keys turn the knobs, and nothing repaints at rest.
#include <QAction>
#include <QTest>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include "console/djrules.h"
#include "core/twips.h"
#include "paintlog.h"
#include "songfiles.h"
#include "windowfixture.h"
#include "windows/djlayout.h"
#include "windows/djview.h"
#include "windows/knob.h"
#include "windows/soundstrip.h"

using namespace player;
using knobrules::Kind;
using Band = Console::Band;

namespace {

QAction* actionFor(MainWindow& w, const QString& key) {
    return keyAction(w, QKeySequence(key));
}

void send(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButtons held) {
    QMouseEvent e(type, at, w->mapToGlobal(at), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                  held, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// A press in the knob's middle, moved `pixelsUp` in two steps, and let go.
void drag(QWidget* w, double pixelsUp) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    send(w, QEvent::MouseButtonPress, at, Qt::LeftButton);
    send(w, QEvent::MouseMove, at - QPointF(3, pixelsUp / 2), Qt::LeftButton);
    send(w, QEvent::MouseMove, at - QPointF(-5, pixelsUp), Qt::LeftButton);
    send(w, QEvent::MouseButtonRelease, at - QPointF(-5, pixelsUp), Qt::NoButton);
}

void wheel(QWidget* w, int delta) {
    const QPointF at(w->width() / 2.0, w->height() / 2.0);
    QWheelEvent e(at, w->mapToGlobal(at), {}, {0, delta}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                  false);
    QCoreApplication::sendEvent(w, &e);
}

class KnobsTest : public WindowFixture {
protected:
    KnobsTest() {
        qputenv("XDG_CACHE_HOME", dir.file(QStringLiteral("cache")).toLocal8Bit());
        w.DJ_Click();
        dj = w.djView();
        w.show();
    }
    // What the console holds for a knob of deck `d`, on the knob's own scale.
    double held(int d, Kind kind) {
        switch (kind) {
        case Kind::Gain:
            return knobrules::gainValue(w.console().gain(d));
        case Kind::High:
            return w.console().band(d, Band::High);
        case Kind::Mid:
            return w.console().band(d, Band::Mid);
        case Kind::Low:
            return w.console().band(d, Band::Low);
        case Kind::Filter:
            return w.console().filter(d);
        }
        return 0;
    }
    ~KnobsTest() override { djrules::saveViewChoice({false, djrules::kDefaultZoom}); }
    DjView* dj = nullptr;
};

constexpr Kind kKinds[] = {Kind::Gain, Kind::High, Kind::Mid, Kind::Low, Kind::Filter};

} // namespace

// A drag and the wheel on each knob of deck 2 reach the console and nothing of deck 1; a double-click centres
// the one knob; a double-click on the strip's names centres them all.
TEST_F(KnobsTest, MouseTurnsTheConsole) {
    for (const Kind kind : kKinds) {
        SCOPED_TRACE(int(kind));
        Knob* knob = dj->sound(1)->knob(kind);
        drag(knob, 40);
        EXPECT_NEAR(held(1, kind), 0.5, 1e-9);
        EXPECT_EQ(knob->value(), held(1, kind));
        drag(knob, -100); // absolute from the press: through the centre
        EXPECT_NEAR(held(1, kind), -0.75, 1e-9);
        wheel(knob, 120);
        EXPECT_NEAR(held(1, kind), -0.7, 1e-9);
        wheel(knob, 60); // half a notch of a fine wheel
        EXPECT_NEAR(held(1, kind), -0.675, 1e-9);
        EXPECT_EQ(held(0, kind), 0);
        QTest::mouseDClick(knob, Qt::LeftButton);
        EXPECT_EQ(held(1, kind), 0);
        EXPECT_EQ(knob->value(), 0);
        wheel(knob, -120 * 3);
        EXPECT_NEAR(held(1, kind), -0.15, 1e-9);
        wheel(knob, 120 * 5); // passes the centre: rests on it
        EXPECT_EQ(held(1, kind), 0);
        drag(knob, -30);
    }
    w.console().setKill(1, Band::Mid, true);
    SoundStrip* strip = dj->sound(1);
    QTest::mouseDClick(strip, Qt::LeftButton, {}, QPoint(strip->width() / 2, 2)); // on the names
    for (const Kind kind : kKinds)
        EXPECT_EQ(held(1, kind), 0) << int(kind);
    EXPECT_FALSE(w.console().kill(1, Band::Mid));
    EXPECT_FALSE(strip->kill(Kind::Mid)->isChecked());
}

// The keys and the console move the knobs and the squares; a kill square's click toggles the console's kill;
// the tooltips say where a knob stands and name its keys.
TEST_F(KnobsTest, ConsoleAndKeysMoveTheKnobs) {
    SoundStrip* strip = dj->sound(0);
    const struct {
        const char* key;
        Kind kind;
        double value;
    } keys[] = {{"E", Kind::High, 0.1},
                {"S", Kind::High, 0},
                {"D", Kind::Mid, -0.1},
                {"Shift+Q", Kind::Gain, 1.0 / 12},
                {"3", Kind::Filter, -0.1}};
    for (const auto& k : keys) {
        QAction* a = actionFor(w, QString::fromLatin1(k.key));
        ASSERT_TRUE(a) << k.key;
        a->trigger();
        EXPECT_NEAR(strip->knob(k.kind)->value(), k.value, 1e-9) << k.key;
    }
    EXPECT_TRUE(strip->knob(Kind::Filter)->toolTip().contains(QStringLiteral("low-pass 10 %")));
    EXPECT_TRUE(strip->knob(Kind::Filter)->toolTip().contains(QStringLiteral("3 towards low-pass")));
    EXPECT_TRUE(strip->knob(Kind::High)->toolTip().startsWith(QStringLiteral("Deck 1 high band")));
    EXPECT_TRUE(strip->knob(Kind::High)->toolTip().contains(QStringLiteral("E up, S down, Shift+E kills")));
    EXPECT_TRUE(dj->sound(1)->toolTip().contains(QStringLiteral("(0)")));

    actionFor(w, QStringLiteral("Shift+T"))->trigger(); // deck 1's low kill
    EXPECT_TRUE(strip->kill(Kind::Low)->isChecked());
    EXPECT_TRUE(strip->knob(Kind::Low)->killed());
    EXPECT_TRUE(strip->knob(Kind::Low)->toolTip().contains(QStringLiteral(": kill")));
    for (const bool on : {false, true, false}) {
        QTest::mouseClick(strip->kill(Kind::Low), Qt::LeftButton);
        EXPECT_EQ(w.console().kill(0, Band::Low), on);
        EXPECT_EQ(strip->knob(Kind::Low)->killed(), on);
    }
    EXPECT_FALSE(strip->kill(Kind::Gain));
    EXPECT_FALSE(strip->kill(Kind::Filter));

    w.console().resetDeck(0); // "5"'s work
    for (const Kind kind : kKinds)
        EXPECT_EQ(strip->knob(kind)->value(), 0) << int(kind);
}

// The strip follows the window's size with the rest of the view.
TEST_F(KnobsTest, ScalesWithTheWindow) {
    for (const double scale : {1.0, 1.5, 2.0}) {
        dj->setScale(scale);
        for (int d = 0; d < 2; ++d)
            EXPECT_EQ(dj->sound(d)->geometry(),
                      platform::toPixels(djlayout::rect(djlayout::kKnobs[d]), scale));
        EXPECT_EQ(dj->limiterLight()->geometry(),
                  platform::toPixels(djlayout::rect(djlayout::Item::LimiterLight), scale));
        const QRect knob = dj->sound(0)->knob(Kind::Mid)->geometry();
        EXPECT_GE(knob.width(), int(24 * scale)) << scale;
        EXPECT_TRUE(dj->sound(0)->rect().contains(knob));
        EXPECT_TRUE(dj->sound(0)->rect().contains(dj->sound(0)->kill(Kind::Low)->geometry()));
    }
}

// Two loud decks driven through the engine light the limiter's lamp on the next tick; silence puts it out,
// and ticks at rest repaint it no more.
TEST_F(KnobsTest, LimiterLightFollowsTheEngine) {
    engine->setLimiter(true);
    for (int d = 0; d < 2; ++d) {
        const QString name = QStringLiteral("loud%1.wav").arg(d);
        ASSERT_TRUE(writeSong(dir.file(name), 5));
        w.loadSong(d, name, dir.file(name));
        w.console().setGain(d, 12);
        w.console().setBand(d, Band::Mid, 1); // the tone at 0.25 comes out near 2 full scales a deck
    }
    Lamp* lamp = dj->limiterLight();
    PaintLog<bool> paints(lamp, [](const QPaintEvent&) { return true; });
    w.Timer1_Timer();
    EXPECT_FALSE(lamp->isLit());
    w.Play_Click(0);
    w.Play_Click(1);
    render(0.3);
    w.Timer1_Timer();
    EXPECT_TRUE(lamp->isLit());
    w.Stop_Click(0);
    w.Stop_Click(1);
    render(1.5); // the release: a fraction of a second back to 1
    w.Timer1_Timer();
    EXPECT_FALSE(lamp->isLit());
    QCoreApplication::processEvents();
    const qsizetype painted = paints.seen.size();
    for (int i = 0; i < 10; ++i) {
        w.Timer1_Timer();
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(paints.seen.size(), painted);
}
