#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>

#include "component/control.h"
#include "component/controlerror.h"
#include "component/propertybag.h"
#include "controlerrors.h"
#include "lumaband/lumaband.h"
#include "lumaband/lumabandinterface.h"
#include "paintlog.h"
#include "scriptedprompts.h"

using namespace platform::component;

namespace {

class RecordingSite : public ControlSite {
public:
    QStringList changes;
    QFont font{QStringLiteral("Serif"), 11};
    void propertyChanged(const QString& name) override { changes << name; }
    QFont ambientFont() const override { return font; }
};

class LumabandTest : public ::testing::Test {
protected:
    LumabandTest() {
        bar.resize(400, 20);
        bar.setSite(&site);
    }
    // Expects `assign` to give exactly one warning with `text`, exclamation icon, OK only.
    void expectWarning(const std::function<void()>& assign, const QString& text) {
        prompts.answer(platform::Answer::Ok);
        assign();
        ASSERT_EQ(prompts.count(), 1) << text.toStdString();
        EXPECT_EQ(prompts.last().text, text);
        EXPECT_EQ(prompts.last().buttons, platform::Buttons::Ok);
        EXPECT_EQ(prompts.last().icon, platform::Icon::Exclamation);
        prompts.clear();
    }
    ScriptedPrompts prompts;
    RecordingSite site;
    Lumaband bar;
};

} // namespace

TEST_F(LumabandTest, RejectedValuesWarnAndChangeNothing) {
    const std::pair<std::function<void()>, QString> cases[] = {
        {[&] { bar.setValue(101); }, "Value has to be less than Max."},
        {[&] { bar.setValue(-1); }, "Value has to be bigger than Min."},
        {[&] { bar.setMin(100); }, "Min has to be less than Max."},
        {[&] { bar.setMax(0); }, "Max has to be bigger than Min."},
        {[&] { bar.setSegmentWidth(0.5f); }, "SegmentWidth has to be less than Segmentsize!"}, // size is 0
        {[&] { bar.setSegmentSize(0.5f); }, "Segmentsize has to be more than Segmentwidth!"},
    };
    for (const auto& [assign, warning] : cases)
        expectWarning(assign, warning);

    EXPECT_TRUE(site.changes.isEmpty());
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_EQ(bar.Min(), 0);
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.SegmentSize(), 0.0f);
    EXPECT_EQ(bar.SegmentWidth(), 0.7f);
}

TEST_F(LumabandTest, AcceptedValuesStoreAndNotify) {
    bar.setValue(100);
    bar.setValue(0);
    bar.setSegmentSize(0.7f); // equal to the width is accepted
    bar.setSegmentWidth(0.7f);
    bar.setStartColor(0x000000FF);
    bar.setEndColor(0x80000012);
    bar.setShowPercent(false);
    bar.setRelativeScroll(true);
    bar.setBackColor(0x00404040);
    bar.setPercentColor(0x00FFFFFF);
    bar.setEnabledState(false);
    bar.setMousePointer(2);
    bar.setBorderStyle(Lumaband::D3D);
    EXPECT_EQ(site.changes, QStringList({"Value", "Value", "SegmentSize", "SegmentWidth", "StartColor",
                                         "EndColor", "ShowPercent", "RelativeScroll", "BackColor",
                                         "PercentColor", "Enabled", "MousePointer", "BorderStyle"}));
    EXPECT_FALSE(bar.Enabled());
    EXPECT_EQ(bar.EndColor(), 0x80000012u);
    EXPECT_EQ(bar.cursor().shape(), Qt::CrossCursor);
    EXPECT_EQ(bar.innerRect(), QRect(1, 1, 398, 18));
    EXPECT_EQ(prompts.count(), 0);
    EXPECT_EQ(bar.font().family(), QStringLiteral("Serif")); // the site's ambient font
}

TEST_F(LumabandTest, MinAndMaxPullValueWithoutItsNotification) {
    bar.setValue(40);
    site.changes.clear();
    bar.setMin(50);
    EXPECT_EQ(bar.Min(), 50);
    EXPECT_EQ(bar.Value(), 50);
    EXPECT_EQ(site.changes, QStringList({"Min"}));
    bar.setValue(80);
    site.changes.clear();
    bar.setMax(60);
    EXPECT_EQ(bar.Value(), 60);
    bar.setMax(70); // no pull when Value is inside
    EXPECT_EQ(bar.Value(), 60);
    EXPECT_EQ(site.changes, QStringList({"Max", "Max"}));
}

TEST_F(LumabandTest, SegmentChecksSeeTheValueAsPassedAndStoreItsMagnitude) {
    bar.setSegmentSize(10);
    bar.setSegmentWidth(-20); // passes (not above 10), stored as 20: now above the size
    EXPECT_EQ(bar.SegmentWidth(), 20.0f);
    // -30 is below the width 20.
    expectWarning([&] { bar.setSegmentSize(-30); }, "Segmentsize has to be more than Segmentwidth!");
    bar.setSegmentSize(25);
    bar.setSegmentWidth(-1);
    EXPECT_EQ(bar.SegmentWidth(), 1.0f);
    expectWarning([&] { bar.setSegmentSize(-0.5f); }, "Segmentsize has to be more than Segmentwidth!");
    EXPECT_EQ(bar.SegmentSize(), 25.0f);
}

TEST_F(LumabandTest, SavingANewInstanceWritesNoKey) {
    PropertyBag bag;
    bar.writeProperties(bag);
    EXPECT_TRUE(bag.isEmpty()) << bag.toText().toStdString();
}

TEST_F(LumabandTest, SavedSetsComeBackAsSaved) {
    bar.setBackColor(0x00404040);
    bar.setEndColor(0x00FFFFFF);
    bar.setShowPercent(false);
    bar.setMax(200);
    bar.setValue(150);
    bar.setSegmentSize(12.5f);
    QImage icon(16, 16, QImage::Format_ARGB32);
    icon.fill(Qt::red);
    bar.setMouseIcon(icon);
    PropertyBag bag;
    bar.writeProperties(bag);
    QStringList keys;
    for (const auto& e : bag.entries())
        keys << e.key;
    EXPECT_EQ(keys, QStringList({"BackColor", "MouseIcon", "EndColor", "Value", "Max", "ShowPercent",
                                 "SegmentSize"}));

    const auto text = PropertyBag::fromText(bag.toText());
    ASSERT_TRUE(text);
    Lumaband other;
    RecordingSite otherSite;
    other.setSite(&otherSite);
    other.readProperties(*text);
    EXPECT_EQ(other.BackColor(), 0x00404040u);
    EXPECT_EQ(other.Value(), 150);
    EXPECT_EQ(other.Max(), 200);
    EXPECT_EQ(other.SegmentSize(), 12.5f);
    EXPECT_FALSE(other.ShowPercent());
    EXPECT_EQ(other.MouseIcon().size(), QSize(16, 16));
    EXPECT_EQ(otherSite.changes, QStringList({"MouseIcon"})); // only MouseIcon goes through its setter
}

// A range upside down with the value outside it, and an empty one (keys in either case): taken as saved.
TEST_F(LumabandTest, OutOfRangeSetsStayAsLoadedAndPercentReportsThem) {
    const struct {
        const char *min, *max, *value;
        short set[3];
    } cases[] = {{"Min", "Max", "Value", {50, 10, 200}}, {"min", "max", "value", {0, 0, 7}}};
    for (const auto& c : cases) {
        PropertyBag bag;
        bag.write(QString::fromLatin1(c.min), std::int16_t{c.set[0]});
        bag.write(QString::fromLatin1(c.max), std::int16_t{c.set[1]});
        bag.write(QString::fromLatin1(c.value), std::int16_t{c.set[2]});
        bar.readProperties(bag);
        EXPECT_EQ((QList<int>{bar.Min(), bar.Max(), bar.Value()}),
                  (QList<int>{c.set[0], c.set[1], c.set[2]}));
        bar.grab(); // drawing such a set must not bring the host down
    }
    // the empty range has no percent
    EXPECT_EQ(errorKindOf([&] { bar.Percent(); }), ErrorKind::DivisionByZero);
    EXPECT_FALSE(bar.property("Percent").isValid());
}

TEST_F(LumabandTest, AFailingKeyLeavesTheKeysBeforeItApplied) {
    PropertyBag bag;
    bag.write(QStringLiteral("StartColor"), Colour{0x123456});
    bag.write(QStringLiteral("Value"), QStringLiteral("lots"));
    bag.write(QStringLiteral("Max"), std::int16_t{7});
    EXPECT_THROW(bar.readProperties(bag), ControlError);
    EXPECT_EQ(bar.StartColor(), 0x123456u);
    EXPECT_EQ(bar.Max(), 100);
}

TEST_F(LumabandTest, MouseXIsInValueUnitsAfterTheFirstBar) {
    bar.setShowPercent(false);
    QSignalSpy down(&bar, &Lumaband::MouseDown);
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(200, 7));
    ASSERT_EQ(down.count(), 1);
    EXPECT_FLOAT_EQ(down[0][2].toFloat(), 200.0f); // still pixels: no bar drawn yet
    EXPECT_FLOAT_EQ(down[0][3].toFloat(), 7.0f);
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(200, 7));

    bar.setValue(10);
    down.clear();
    QSignalSpy up(&bar, &Lumaband::MouseUp);
    QSignalSpy click(&bar, &Lumaband::Click);
    QTest::mousePress(&bar, Qt::LeftButton, Qt::ShiftModifier, QPoint(200, 7));
    QTest::mouseRelease(&bar, Qt::LeftButton, Qt::ShiftModifier, QPoint(300, 7));
    ASSERT_EQ(down.count(), 1);
    EXPECT_EQ(down[0][0].value<short>(), 1);
    EXPECT_EQ(down[0][1].value<short>(), 1);
    EXPECT_FLOAT_EQ(down[0][2].toFloat(), 50.0f);
    EXPECT_FLOAT_EQ(down[0][3].toFloat(), 7.0f); // Y stays in pixels
    ASSERT_EQ(up.count(), 1);
    EXPECT_FLOAT_EQ(up[0][2].toFloat(), 75.0f);
    EXPECT_EQ(click.count(), 1);

    // Back at Min the scale stays what the last bar set.
    bar.setValue(0);
    down.clear();
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(100, 7));
    EXPECT_FLOAT_EQ(down[0][2].toFloat(), 25.0f);
}

TEST_F(LumabandTest, ThePaintedBarIsTheLastRunsPicture) {
    bar.setBackColor(0x00404040);
    bar.setEndColor(0x00FFFFFF);
    bar.setShowPercent(false);
    bar.setValue(100);
    bar.setValue(50);
    const QImage shot = bar.grab().toImage();
    EXPECT_EQ(shot.pixelColor(202, 10), QColor(128, 128, 128));
    EXPECT_EQ(shot.pixelColor(300, 10), QColor(0x40, 0x40, 0x40));
}

TEST_F(LumabandTest, EveryMemberIsAPropertyUnderItsName) {
    for (const auto& m : lumaband::kMembers) {
        if (m.method)
            continue;
        EXPECT_GE(bar.metaObject()->indexOfProperty(m.name), 0) << m.name;
    }
    EXPECT_TRUE(bar.setProperty("Value", 30));
    EXPECT_EQ(bar.property("Percent").toInt(), 30);
    EXPECT_TRUE(bar.setProperty("SegmentSize", 2.5));
    EXPECT_EQ(bar.SegmentSize(), 2.5f);
    EXPECT_GE(bar.metaObject()->indexOfMethod("PopupMenu(QMenu*,QVariant,QVariant,QVariant,QVariant)"), 0);
    for (const auto& e : lumaband::kEvents)
        EXPECT_GE(bar.metaObject()->indexOfSignal(
                      QMetaObject::normalizedSignature(
                          e.dispatchId == 1 ? "Click()" : (QByteArray(e.name) + "(short,short,float,float)"))
                          .constData()),
                  0)
            << e.name;
}

TEST_F(LumabandTest, PopupMenuPlacesTheMenuInSurfaceUnits) {
    bar.setValue(10); // the scale becomes 100 units across 400 pixels
    const QPoint origin = bar.mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(bar.popupPosition({}, 25, 5, QSize(80, 40)), origin + QPoint(100, 5));
    EXPECT_EQ(bar.popupPosition(4, 25, 5, QSize(80, 40)), origin + QPoint(60, 5));
    EXPECT_EQ(bar.popupPosition(8, 25, 5, QSize(80, 40)), origin + QPoint(20, 5));
}

TEST_F(LumabandTest, ADisabledWindowGreysTheBarButKeepsItsEnabledProperty) {
    QWidget window;
    bar.setParent(&window);
    bar.setShowPercent(false);
    bar.setStartColor(0x000000FF);
    bar.setEndColor(0x000000FF);
    bar.setValue(100);
    window.setEnabled(false);
    EXPECT_TRUE(bar.Enabled());
    EXPECT_EQ(bar.grab().toImage().pixelColor(200, 10), QColor(128, 128, 128));
    PropertyBag bag;
    bar.writeProperties(bag);
    EXPECT_FALSE(bag.contains(QStringLiteral("Enabled")));
    bar.setParent(nullptr);
}

// Late binding (setProperty, and so Designer and QUiLoader) has no caller to throw to: a value beyond 16 bits
// is refused with a warning, as the checks refuse, and changes nothing. A direct call still throws.
TEST_F(LumabandTest, LateBoundValuesBeyondSixteenBitsAreRefusedWithAWarning) {
    bar.setValue(30);
    bar.setMousePointer(2);
    site.changes.clear();
    const auto state = [&] {
        return QList<int>{bar.Value(), bar.Min(), bar.Max(), bar.MousePointer(), bar.BorderStyle()};
    };
    const QList<int> before = state();
    for (const char* name : {"Value", "Min", "Max", "MousePointer", "BorderStyle"})
        for (int v : {70000, -32769})
            expectWarning([&] { EXPECT_TRUE(bar.setProperty(name, v)); }, "Overflow");
    EXPECT_EQ(state(), before);
    EXPECT_TRUE(site.changes.isEmpty());
    EXPECT_EQ(errorKindOf([&] { bar.setBorderStyle(32768); }), ErrorKind::Overflow);
    bar.setProperty("Min", -32768); // the ends themselves still go through
    EXPECT_EQ(bar.Min(), -32768);
}

// A host may delete the bar in any handler of its events or of a property change; the bar then touches
// nothing of itself (the sanitizer stage turns a touch into a failure).
TEST(LumabandEvents, AHandlerMayDeleteTheBarInEachOfItsEvents) {
    struct DeletingSite : ControlSite {
        QPointer<Lumaband> bar;
        void propertyChanged(const QString&) override { delete bar.data(); }
    };
    const std::function<void(Lumaband*, std::function<void()>)> events[] = {
        [](Lumaband* b, auto del) { QObject::connect(b, &Lumaband::MouseDown, del); },
        [](Lumaband* b, auto del) { QObject::connect(b, &Lumaband::MouseMove, del); },
        [](Lumaband* b, auto del) { QObject::connect(b, &Lumaband::MouseUp, del); },
        [](Lumaband* b, auto del) { QObject::connect(b, &Lumaband::Click, del); },
        [](Lumaband* b, auto) { b->setValue(10); }, // the site deletes it on "Value"
        [](Lumaband* b, auto) { b->setMin(-5); },
        [](Lumaband* b, auto) { b->setBorderStyle(1); },
    };
    for (size_t i = 0; i < std::size(events); ++i) {
        DeletingSite site;
        site.bar = new Lumaband;
        site.bar->resize(100, 20);
        site.bar->show();
        if (i >= 4)
            site.bar->setSite(&site);
        events[i](site.bar, [&] { delete site.bar.data(); });
        const QPointF at(50, 10);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseMove, QEvent::MouseButtonRelease})
            if (site.bar) {
                QMouseEvent e(type, at, site.bar->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                              Qt::NoModifier);
                QApplication::sendEvent(site.bar, &e);
            }
        EXPECT_FALSE(site.bar) << "event " << i;
    }
}

TEST_F(LumabandTest, APropertyChangeIsOnTheScreenBeforeTheSetterReturns) {
    bar.setShowPercent(false);
    bar.show();
    QCoreApplication::processEvents();
    PaintLog<int> log(&bar, [&](const QPaintEvent&) { return int(bar.Value()); });
    // A host filling the bar inside one long handler, without returning to the event loop.
    for (int v = 10; v <= 50; v += 10)
        bar.setValue(static_cast<short>(v));
    EXPECT_EQ(log.seen, QList<int>({10, 20, 30, 40, 50}));
    // One assignment that changes two things paints once.
    log.seen.clear();
    bar.setMax(40);
    EXPECT_EQ(log.seen, QList<int>({40}));
    log.seen.clear();
    PropertyBag bag;
    bag.write(QStringLiteral("Value"), std::int16_t{5});
    bag.write(QStringLiteral("StartColor"), Colour{0x00FF00});
    bar.readProperties(bag);
    EXPECT_EQ(log.seen, QList<int>({5}));
}

TEST_F(LumabandTest, ADoubleClickFollowsThePlatformsOrder) {
    bar.show();
    QStringList order;
    QObject::connect(&bar, &Lumaband::MouseDown, [&] { order << "MouseDown"; });
    QObject::connect(&bar, &Lumaband::MouseUp, [&] { order << "MouseUp"; });
    QObject::connect(&bar, &Lumaband::Click, [&] { order << "Click"; });
    const QPointF at(50, 5);
    // What a window system delivers for a double-click: the second press comes as a double-click event.
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const bool down = type != QEvent::MouseButtonRelease;
        QMouseEvent e(type, at, bar.mapToGlobal(at), Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton,
                      Qt::NoModifier);
        QApplication::sendEvent(&bar, &e);
    }
    EXPECT_EQ(order, QStringList({"MouseDown", "MouseUp", "Click", "MouseUp"}));
}

TEST_F(LumabandTest, TheSurfaceMembersCarryTheirDescriptions) {
    const struct {
        const char* member;
        const char* description;
    } cases[] = {
        {"BackColor", "Returns/sets the background color used to display text and graphics in an object."},
        {"Enabled",
         "Returns/sets a value that determines whether an object can respond to user-generated events."},
        {"BorderStyle", "Returns/sets the border style for an object."},
        {"MousePointer", "Returns/sets the type of mouse pointer displayed when over part of an object."},
        {"MouseIcon", "Sets a custom mouse icon."},
        {"PopupMenu", "Displays a pop-up menu on an MDIForm or Form object."},
        {"PercentColor", "Returns/sets the foreground color used to display text and graphics in an object."},
        {"Value", ""},
    };
    for (const auto& c : cases) {
        QString got;
        ASSERT_TRUE(QMetaObject::invokeMethod(&bar, "memberDescription", Q_RETURN_ARG(QString, got),
                                              Q_ARG(QString, QString::fromLatin1(c.member))));
        EXPECT_EQ(got, QString::fromLatin1(c.description)) << c.member;
    }
}
