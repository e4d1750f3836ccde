// The control's state, its property assignments with their notifications and events, and the property store.
#include <QCoreApplication>
#include <QSignalSpy>
#include <cmath>
#include <gtest/gtest.h>

#include "component/controlerror.h"
#include "component/propertybag.h"
#include "controlerrors.h"
#include "glissor/glissor.h"
#include "glissor/glissorinterface.h"
#include "paintlog.h"

using namespace platform::component;

namespace {

const QStringList kKeys = {"BackColor", "ForeColor",   "Enabled", "Font",          "Border",
                           "Caption",   "MaskPicture", "Picture", "StrechPicture", "Value",
                           "MaxValue",  "HPicture",    "Mask"};

// A face of 109 pixels: with the built-in 9-pixel thumb and the maximum 10 the scale is 10.
struct Face {
    Face() {
        g.resize(109, 30);
        g.show();
    }
    Glissor g;
};

// Assigns every property a value that is not its default, in the order of kKeys.
void assignEveryProperty(Glissor& g) {
    g.setBackColor(0x00102030);
    g.setForeColor(0x00405060);
    g.setEnabledState(false);
    QFont font("Serif", 21);
    font.setBold(true);
    g.setCaptionFont(font);
    g.setBorder(true);
    g.setCaption("Gain");
    g.setMaskPicture(QImage(3, 3, QImage::Format_RGB32));
    g.setPicture(QImage(4, 4, QImage::Format_RGB32));
    g.setStrechPicture(false);
    g.setValue(2.5);
    g.setMaxValue(20);
    g.setHPicture(QImage(5, 5, QImage::Format_RGB32));
    g.setMask(true);
}

} // namespace

TEST(GlissorState, ANewFaceIs320By240WithAThumbShadedLikeAButton) {
    const Glissor g;
    EXPECT_EQ(g.size(), QSize(320, 240));
    const QImage thumb = g.HPicture();
    ASSERT_EQ(thumb.size(), QSize(9, 21));
    const struct {
        int x, y;
        QRgb colour;
    } pixels[] = {
        {0, 0, qRgb(255, 255, 255)},  {0, 20, qRgb(255, 255, 255)}, {4, 0, qRgb(255, 255, 255)},
        {8, 0, qRgb(128, 128, 128)}, // the top-right pixel belongs to the shadow
        {8, 10, qRgb(128, 128, 128)}, {4, 20, qRgb(128, 128, 128)}, {4, 10, qRgb(192, 192, 192)},
    };
    for (const auto& p : pixels)
        EXPECT_EQ(thumb.pixel(p.x, p.y), p.colour) << p.x << "," << p.y;
    EXPECT_EQ(Glissor::toolboxImage().size(), QSize(16, 15));
}

TEST(GlissorState, CaptionExtentFollowsTextAndFont) {
    Glissor g;
    const QSizeF before = g.captionExtent();
    g.setCaption("A much longer caption");
    EXPECT_GT(g.captionExtent().width(), before.width());
    QFont big = g.Font();
    big.setPointSize(big.pointSize() * 3);
    g.setCaptionFont(big);
    EXPECT_GT(g.captionExtent().height(), before.height());
}

TEST(GlissorProperties, EveryAssignmentNotifiesUnderItsName) {
    Face f;
    QSignalSpy changed(&f.g, &Glissor::PropertyChanged);
    assignEveryProperty(f.g);
    QStringList names;
    for (const auto& args : changed)
        names << args.at(0).toString();
    EXPECT_EQ(names, kKeys);
    EXPECT_FALSE(f.g.isEnabled());
    EXPECT_TRUE(f.g.Border());
    EXPECT_EQ(f.g.contentsRect().width(), 107); // the border lies outside the face
}

// Change comes once per assignment, the same value included (5 is the default), after the handle moved.
TEST(GlissorProperties, ValueIsClampedStoredAsTextAndAlwaysRaisesChange) {
    const struct {
        double assigned;
        const char* text;
        double change;
    } cases[] = {{-3, "0", 0}, {12.5, "10", 10}, {2.5, "2.5", 2.5}, {10, "10", 10}, {5, "5", 5}};
    for (const auto& c : cases) {
        Face f;
        std::vector<double> change;
        short handleSeen = -1;
        QObject::connect(&f.g, &Glissor::Change, [&](double& v) {
            change.push_back(v);
            handleSeen = f.g.handleX();
        });
        QSignalSpy notified(&f.g, &Glissor::PropertyChanged);
        f.g.setValue(c.assigned);
        EXPECT_EQ(f.g.valueText(), c.text) << c.assigned;
        EXPECT_EQ(f.g.Value(), c.change);
        EXPECT_EQ(change, std::vector<double>{c.change});
        EXPECT_EQ(handleSeen, short(c.change * 10));
        ASSERT_EQ(notified.size(), 1);
        EXPECT_EQ(notified.at(0).at(0).toString(), "Value");
    }
}

TEST(GlissorProperties, ALowerMaximumLeavesTheValueAndPlacesTheHandlePastTheEnd) {
    Face f;
    f.g.setValue(8);
    QSignalSpy change(&f.g, &Glissor::Change);
    f.g.setMaxValue(4);
    EXPECT_EQ(f.g.valueText(), "8");
    EXPECT_EQ(f.g.maxText(), "4");
    EXPECT_EQ(f.g.pixelsPerUnit(), 25);
    EXPECT_EQ(f.g.handleX(), 200);
    EXPECT_EQ(change.size(), 0);
}

TEST(GlissorProperties, AMaximumOfZeroIsStoredNotifiedThenReported) {
    Face f;
    QSignalSpy notified(&f.g, &Glissor::PropertyChanged);
    EXPECT_EQ(errorKindOf([&] { f.g.setMaxValue(0); }), ErrorKind::DivisionByZero);
    EXPECT_EQ(f.g.maxText(), "0");
    EXPECT_EQ(notified.size(), 1);
    EXPECT_EQ(f.g.handleX(), 0);
    // Sizing and showing after it neither fail nor move the handle off 0.
    f.g.resize(200, 30);
    f.g.hide();
    f.g.show();
    EXPECT_EQ(f.g.handleX(), 0);
    EXPECT_EQ(f.g.pixelsPerUnit(), 0);
    f.g.UpdateSlider();
    EXPECT_EQ(f.g.handleX(), 0);
}

TEST(GlissorProperties, AHandleBeyond16BitsIsAnOverflow) {
    Face f;
    f.g.setValue(8);
    EXPECT_EQ(errorKindOf([&] { f.g.setMaxValue(0.001); }), ErrorKind::Overflow);
    EXPECT_EQ(errorKindOf([&] { f.g.setValue(std::nan("")); }), ErrorKind::TypeMismatch);
    EXPECT_EQ(errorKindOf([&] { f.g.setMaxValue(INFINITY); }), ErrorKind::TypeMismatch);
    EXPECT_EQ(f.g.maxText(), "0.001");
}

TEST(GlissorProperties, FlagsReadStrictlyAndAreWrittenAsTrueOrFalse) {
    Glissor g;
    EXPECT_TRUE(g.StrechPicture()); // "true"
    g.setStrechPicture(true);
    EXPECT_EQ(g.strechText(), "True");
    EXPECT_TRUE(g.StrechPicture());
    g.setMask(false);
    EXPECT_EQ(g.maskText(), "False");
    EXPECT_FALSE(g.Mask());
}

TEST(GlissorStore, AFirstSaveWritesOnlyTheThumb) {
    Glissor g;
    PropertyBag bag;
    g.writeProperties(bag);
    ASSERT_EQ(bag.size(), 1) << bag.toText().toStdString();
    EXPECT_EQ(bag.entries().front().key, "HPicture");
    EXPECT_EQ(toPicture(bag.read("HPicture")).image, Glissor::defaultThumb());
}

TEST(GlissorStore, AMaskTextIsDefaultOnlyWhenItIsTheWordFalse) {
    const struct {
        const char* text;
        bool written;
    } cases[] = {{"false", false}, {"False", false}, {"FALSE", false},
                 {"True", true},   {"0", true},      {"", true}};
    for (const auto& c : cases) {
        PropertyBag in;
        in.write("Mask", QString(c.text));
        Glissor g;
        g.readProperties(in);
        PropertyBag out;
        g.writeProperties(out);
        EXPECT_EQ(out.contains("Mask"), c.written) << c.text;
        if (c.written) { // what is written comes back as the same text
            EXPECT_EQ(out.read("Mask"), PropertyValue(QString(c.text))) << c.text;
        }
    }
}

TEST(GlissorStore, WritesEveryKeyInOrderWithItsType) {
    Glissor g;
    assignEveryProperty(g);
    PropertyBag bag;
    g.writeProperties(bag);
    QStringList keys;
    for (const auto& e : bag.entries())
        keys << e.key;
    EXPECT_EQ(keys, kKeys);
    EXPECT_EQ(bag.read("BackColor"), PropertyValue(std::int32_t{0x00102030}));
    EXPECT_EQ(bag.read("Enabled"), PropertyValue(false));
    EXPECT_EQ(bag.read("Border"), PropertyValue(std::int16_t{1})); // 0 or 1, not a Boolean
    EXPECT_EQ(toFont(bag.read("Font")).size, 21);
    EXPECT_EQ(bag.read("StrechPicture"), PropertyValue(QString("False")));
    EXPECT_EQ(bag.read("Value"), PropertyValue(QString("2.5")));
    EXPECT_EQ(bag.read("MaxValue"), PropertyValue(QString("20")));
    EXPECT_EQ(bag.read("Mask"), PropertyValue(QString("True")));

    // And everything comes back through the store's text format.
    const auto back = PropertyBag::fromText(bag.toText());
    ASSERT_TRUE(back);
    Glissor h;
    h.readProperties(*back);
    EXPECT_EQ(h.BackColor(), 0x00102030u);
    EXPECT_EQ(h.ForeColor(), 0x00405060u);
    EXPECT_FALSE(h.Enabled());
    EXPECT_EQ(h.Font().family(), "Serif");
    EXPECT_TRUE(h.Font().bold());
    EXPECT_TRUE(h.Border());
    EXPECT_EQ(h.Caption(), "Gain");
    EXPECT_EQ(h.MaskPicture().size(), QSize(3, 3));
    EXPECT_EQ(h.Picture().size(), QSize(4, 4));
    EXPECT_EQ(h.strechText(), "False");
    EXPECT_EQ(h.valueText(), "2.5");
    EXPECT_EQ(h.maxText(), "20");
    EXPECT_EQ(h.HPicture().size(), QSize(5, 5));
    EXPECT_TRUE(h.Mask());
}

TEST(GlissorStore, TakesStoredTextsUncheckedAndRaisesNothing) {
    Glissor g;
    PropertyBag bag;
    bag.write("Value", QString("8"));
    bag.write("MaxValue", QString("4"));
    bag.write("StrechPicture", QString("0"));
    bag.write("Mask", QString("True"));
    bag.write("BackColor", Colour{0x000000FF}); // a colour typed as such reads as well
    QSignalSpy change(&g, &Glissor::Change);
    QSignalSpy notified(&g, &Glissor::PropertyChanged);
    g.readProperties(bag);
    EXPECT_EQ(g.valueText(), "8"); // not clamped to the maximum
    EXPECT_EQ(g.maxText(), "4");
    EXPECT_FALSE(g.StrechPicture());
    EXPECT_TRUE(g.Mask());
    EXPECT_EQ(g.BackColor(), 0x000000FFu);
    EXPECT_TRUE(g.HPicture().isNull()); // a saved set without "HPicture" has no handle
    EXPECT_EQ(change.size(), 0);
    EXPECT_EQ(notified.size(), 0);
}

TEST(GlissorStore, AnEmptyStoreGivesTheDefaultsAndMaskTheTextFalse) {
    Glissor g;
    g.setBackColor(0x123456);
    g.setCaption("changed");
    g.readProperties(PropertyBag());
    EXPECT_EQ(g.maskText(), "False");
    EXPECT_EQ(g.strechText(), "true");
    EXPECT_EQ(g.valueText(), "5");
    EXPECT_EQ(g.maxText(), "10");
    EXPECT_EQ(g.BackColor(), 0x8000000Fu);
    EXPECT_EQ(g.ForeColor(), 0x80000012u);
    EXPECT_EQ(g.Caption(), "Slider");
    EXPECT_TRUE(g.Enabled());
    EXPECT_FALSE(g.Border());
}

TEST(GlissorProperties, AnAssignmentIsOnTheScreenBeforeItReturns) {
    Face f;
    QCoreApplication::processEvents();
    PaintLog<QString> log(&f.g, [&](const QPaintEvent&) { return f.g.valueText(); });
    for (int v : {1, 2, 2, 3}) // a host moving the slider inside one long handler
        f.g.setValue(v);
    EXPECT_EQ(log.seen, QStringList({"1", "2", "2", "3"}));
    log.seen.clear();
    f.g.setMaxValue(20);
    f.g.setCaption("Gain");
    EXPECT_EQ(log.seen.size(), 2);
}

TEST(GlissorStore, AFailingKeyStopsReadingAfterTheKeysBeforeIt) {
    Glissor g;
    PropertyBag bag;
    bag.write("Caption", QString("Restored"));
    bag.write("Picture", QString("not a picture"));
    bag.write("Value", QString("7"));
    EXPECT_THROW(g.readProperties(bag), ControlError);
    EXPECT_EQ(g.Caption(), "Restored");
    EXPECT_EQ(g.valueText(), "5");
}

TEST(GlissorStore, ValueTextThatIsNoNumberRestoresButFailsStrictReaders) {
    Glissor g;
    PropertyBag bag;
    bag.write("Value", QString("abc"));
    bag.write("StrechPicture", QString("maybe"));
    g.readProperties(bag);
    EXPECT_EQ(g.valueText(), "abc");
    g.resize(109, 30);
    g.show(); // sizing and showing do not fail
    EXPECT_EQ(g.handleX(), 0);
    EXPECT_EQ(errorKindOf([&] { g.Value(); }), ErrorKind::TypeMismatch);
    EXPECT_EQ(errorKindOf([&] { g.UpdateSlider(); }), ErrorKind::TypeMismatch);
    EXPECT_EQ(errorKindOf([&] { g.StrechPicture(); }), ErrorKind::TypeMismatch);
    EXPECT_EQ(errorKindOf([&] { g.setCaption("x"); }), ErrorKind::TypeMismatch);
    EXPECT_EQ(g.Caption(), "x"); // stored and notified before the redraw failed
}

TEST(GlissorStore, NotifiesTheHostsSiteAndUsesItsAmbientFont) {
    struct Site : ControlSite {
        QStringList changed;
        QFont ambientFont() const override { return QFont("Monospace", 17); }
        void propertyChanged(const QString& name) override { changed << name; }
    } site;
    Glissor g;
    g.setSite(&site);
    g.initNew();
    EXPECT_EQ(g.Font().pointSize(), 17);
    g.setValue(3);
    g.setCaption("c");
    EXPECT_EQ(site.changed, QStringList({"Value", "Caption"}));
    PropertyBag bag;
    g.writeProperties(bag);
    EXPECT_FALSE(bag.contains("Font")); // the ambient font is the default
}

TEST(GlissorProperties, LateBoundAccessUsesTheInterfaceNames) {
    Glissor g;
    EXPECT_TRUE(g.setProperty("Value", 7.0));
    EXPECT_EQ(g.property("Value").toDouble(), 7.0);
    EXPECT_TRUE(g.setProperty("StrechPicture", false));
    EXPECT_EQ(g.strechText(), "False");
    EXPECT_TRUE(QMetaObject::invokeMethod(&g, "UpdateSlider"));
    // Pictures travel as pixmaps; a host handing over an image is converted.
    EXPECT_TRUE(g.setProperty("Picture", QImage(6, 4, QImage::Format_RGB32)));
    EXPECT_EQ(g.Picture().size(), QSize(6, 4));
    EXPECT_EQ(g.property("HPicture").value<QPixmap>().size(), QSize(9, 21));
}

TEST(GlissorInterface, MembersAreListedInInterfaceOrder) {
    const QMetaObject& meta = Glissor::staticMetaObject;
    QStringList properties, signalNames, methods;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i)
        properties << meta.property(i).name();
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod m = meta.method(i);
        (m.methodType() == QMetaMethod::Signal ? signalNames : methods) << QString::fromLatin1(m.name());
    }
    // The table keeps the interface order; the Qt properties put MaxValue first so that forms set it first.
    QStringList listed;
    for (const char* p : glissor::kProperties)
        listed << p;
    properties.sort();
    listed.sort();
    EXPECT_EQ(properties, listed);
    QStringList events;
    for (const auto& e : glissor::kEvents)
        events << e.name;
    EXPECT_EQ(signalNames.mid(0, 5), events);
    EXPECT_EQ(methods, QStringList({glissor::kMethods[0], glissor::kMethods[1]}));
}

// Late binding (setProperty, and so Designer and QUiLoader) never lets an error through Qt: the refusal comes
// as the Error event, with the number a direct call's error carries. The checks themselves are the direct
// calls'.
TEST(GlissorProperties, LateBoundFailuresRaiseErrorInsteadOfThrowing) {
    Face face;
    QSignalSpy errors(&face.g, &Glissor::Error);
    EXPECT_TRUE(face.g.setProperty("Value", std::nan("")));
    EXPECT_EQ(face.g.valueText(), "5");
    EXPECT_TRUE(face.g.setProperty("MaxValue", 0.0));
    EXPECT_EQ(face.g.maxText(), "10"); // refused whole, where a direct call stores "0" before its scale fails
    EXPECT_TRUE(face.g.setProperty("MaxValue", 0.001)); // the value 5 would sit 500000 pixels along
    EXPECT_EQ(face.g.maxText(), "10");
    PropertyBag bag;
    bag.write("Value", QString("many"));
    face.g.readProperties(bag);
    EXPECT_TRUE(face.g.setProperty("Caption", "x"));   // UpdateSlider cannot read the value
    EXPECT_EQ(face.g.property("Value").toDouble(), 0); // reads give the face's lenient reading
    QList<int> numbers;
    for (const auto& e : errors)
        numbers << e[0].toInt();
    EXPECT_EQ(numbers, QList<int>({13, 11, 6, 13}));
}

// uic's generated code calls set<Name> on the class: Enabled and Font reach the control's own members.
TEST(GlissorProperties, TheSetterNamesUicCallsReachTheMembers) {
    Glissor g;
    QStringList changed;
    QObject::connect(&g, &Glissor::PropertyChanged, [&](const QString& n) { changed << n; });
    g.setEnabled(false);
    g.setFont(QFont("Serif", 19));
    g.setPicture(QPixmap(4, 3));
    EXPECT_FALSE(g.Enabled());
    EXPECT_EQ(g.Font().pointSize(), 19);
    EXPECT_EQ(g.Picture().size(), QSize(4, 3));
    EXPECT_EQ(changed, QStringList({"Enabled", "Font", "Picture"}));
}
