// The control's state, its property assignments with their notifications and events, and the property store.
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "glissor/glissor.h"
#include "memorystore.h"

using glissor::ControlError;
using glissor::ErrorKind;

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

template <class F> ErrorKind errorOf(F&& f) {
    try {
        f();
    } catch (const ControlError& e) {
        return e.kind();
    }
    ADD_FAILURE() << "no error";
    return ErrorKind::Overflow;
}

} // namespace

TEST(GlissorState, StartsWithTheBuiltInDesign) {
    Glissor g;
    EXPECT_EQ(g.valueText(), "5");
    EXPECT_EQ(g.maxText(), "10");
    EXPECT_EQ(g.strechText(), "true");
    EXPECT_EQ(g.maskText(), "false");
    EXPECT_EQ(g.Caption(), "Slider");
    EXPECT_EQ(g.BackColor(), 0x8000000Fu);
    EXPECT_EQ(g.ForeColor(), 0x80000012u);
    EXPECT_TRUE(g.Enabled());
    EXPECT_FALSE(g.Border());
    EXPECT_EQ(g.size(), QSize(320, 240));
    EXPECT_EQ(g.pixelsPerUnit(), 0);

    const QImage thumb = g.HPicture();
    ASSERT_EQ(thumb.size(), QSize(9, 21));
    EXPECT_EQ(thumb.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(thumb.pixel(0, 20), qRgb(255, 255, 255));
    EXPECT_EQ(thumb.pixel(8, 0), qRgb(128, 128, 128)); // the top-right pixel belongs to the shadow
    EXPECT_EQ(thumb.pixel(8, 10), qRgb(128, 128, 128));
    EXPECT_EQ(thumb.pixel(4, 20), qRgb(128, 128, 128));
    EXPECT_EQ(thumb.pixel(4, 10), qRgb(192, 192, 192));
    EXPECT_EQ(Glissor::toolboxImage().size(), QSize(16, 15));
}

TEST(GlissorState, CaptionExtentFollowsTextAndFont) {
    Glissor g;
    const QSizeF before = g.captionExtent();
    g.LetCaption("A much longer caption");
    EXPECT_GT(g.captionExtent().width(), before.width());
    QFont big = g.Font();
    big.setPointSize(big.pointSize() * 3);
    g.SetFont(big);
    EXPECT_GT(g.captionExtent().height(), before.height());
}

TEST(GlissorProperties, EveryAssignmentNotifiesUnderItsName) {
    Face f;
    QSignalSpy changed(&f.g, &Glissor::PropertyChanged);
    f.g.LetBackColor(0x00FF0000);
    f.g.LetForeColor(0x0000FF00);
    f.g.LetEnabled(false);
    f.g.SetFont(QFont("Sans", 12));
    f.g.LetBorder(true);
    f.g.LetCaption("x");
    f.g.SetMaskPicture(QImage());
    f.g.SetPicture(QImage());
    f.g.LetStrechPicture(false);
    f.g.LetMask(true);
    f.g.LetValue(3);
    f.g.LetMaxValue(20);
    f.g.SetHPicture(Glissor::defaultThumb());
    QStringList names;
    for (const auto& args : changed)
        names << args.at(0).toString();
    EXPECT_EQ(names,
              QStringList({"BackColor", "ForeColor", "Enabled", "Font", "Border", "Caption", "MaskPicture",
                           "Picture", "StrechPicture", "Mask", "Value", "MaxValue", "HPicture"}));
    EXPECT_FALSE(f.g.isEnabled());
    EXPECT_TRUE(f.g.Border());
    EXPECT_EQ(f.g.contentsRect().width(), 107); // the border lies outside the face
}

TEST(GlissorProperties, ValueIsClampedStoredAsTextAndAlwaysRaisesChange) {
    const struct {
        double assigned;
        const char* text;
        double change;
    } cases[] = {{-3, "0", 0}, {12.5, "10", 10}, {2.5, "2.5", 2.5}, {10, "10", 10}};
    for (const auto& c : cases) {
        Face f;
        std::vector<double> change;
        QObject::connect(&f.g, &Glissor::Change, [&](double& v) { change.push_back(v); });
        QSignalSpy notified(&f.g, &Glissor::PropertyChanged);
        f.g.LetValue(c.assigned);
        EXPECT_EQ(f.g.valueText(), c.text) << c.assigned;
        EXPECT_EQ(f.g.Value(), c.change);
        EXPECT_EQ(change, std::vector<double>{c.change});
        ASSERT_EQ(notified.size(), 1);
        EXPECT_EQ(notified.at(0).at(0).toString(), "Value");
    }
}

TEST(GlissorProperties, TheSameValueTwiceStillNotifiesRedrawsAndRaisesChange) {
    Face f;
    QSignalSpy change(&f.g, &Glissor::Change);
    QSignalSpy notified(&f.g, &Glissor::PropertyChanged);
    f.g.LetValue(5);
    QImage drawn = f.g.faceImage();
    drawn.fill(Qt::black);
    f.g.LetValue(5);
    EXPECT_EQ(change.size(), 2);
    EXPECT_EQ(notified.size(), 2);
    EXPECT_NE(f.g.faceImage(), drawn);
}

TEST(GlissorProperties, ChangeComesAfterTheRedrawOnAssignment) {
    Face f;
    short handleSeen = -1;
    QObject::connect(&f.g, &Glissor::Change, [&](double&) { handleSeen = f.g.handleX(); });
    f.g.LetValue(7);
    EXPECT_EQ(handleSeen, 70);
}

TEST(GlissorProperties, ALowerMaximumLeavesTheValueAndPlacesTheHandlePastTheEnd) {
    Face f;
    f.g.LetValue(8);
    QSignalSpy change(&f.g, &Glissor::Change);
    f.g.LetMaxValue(4);
    EXPECT_EQ(f.g.valueText(), "8");
    EXPECT_EQ(f.g.maxText(), "4");
    EXPECT_EQ(f.g.pixelsPerUnit(), 25);
    EXPECT_EQ(f.g.handleX(), 200);
    EXPECT_EQ(change.size(), 0);
}

TEST(GlissorProperties, AMaximumOfZeroIsStoredNotifiedThenReported) {
    Face f;
    QSignalSpy notified(&f.g, &Glissor::PropertyChanged);
    EXPECT_EQ(errorOf([&] { f.g.LetMaxValue(0); }), ErrorKind::DivisionByZero);
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
    f.g.LetValue(8);
    EXPECT_EQ(errorOf([&] { f.g.LetMaxValue(0.001); }), ErrorKind::Overflow);
    EXPECT_EQ(errorOf([&] { f.g.LetValue(std::nan("")); }), ErrorKind::TypeMismatch);
    EXPECT_EQ(errorOf([&] { f.g.LetMaxValue(INFINITY); }), ErrorKind::TypeMismatch);
    EXPECT_EQ(f.g.maxText(), "0.001");
}

TEST(GlissorProperties, FlagsReadStrictlyAndAreWrittenAsTrueOrFalse) {
    Glissor g;
    EXPECT_TRUE(g.StrechPicture()); // "true"
    g.LetStrechPicture(true);
    EXPECT_EQ(g.strechText(), "True");
    EXPECT_TRUE(g.StrechPicture());
    g.LetMask(false);
    EXPECT_EQ(g.maskText(), "False");
    EXPECT_FALSE(g.Mask());
}

TEST(GlissorStore, AFirstSaveWritesTheThumbAndOtherwiseOnlyDefaults) {
    Glissor g;
    MemoryStore store;
    g.WriteProperties(store);
    EXPECT_EQ(store.writtenKeys(), kKeys);
    for (const auto& w : store.writes) {
        if (w.key == "HPicture")
            EXPECT_EQ(w.value.value<QImage>(), Glissor::defaultThumb());
        else
            EXPECT_EQ(w.value, w.defaultValue) << w.key.toStdString();
    }
    EXPECT_EQ(store.values.keys(), QStringList{"HPicture"});
}

TEST(GlissorStore, WritesTheTypesStoredFormsExpect) {
    Glissor g;
    g.LetBorder(true);
    g.LetMask(true);
    MemoryStore store;
    g.WriteProperties(store);
    auto typeOf = [&](const QString& key) {
        for (const auto& w : store.writes)
            if (w.key == key)
                return w.value.typeId();
        return -1;
    };
    EXPECT_EQ(typeOf("BackColor"), QMetaType::Int);
    EXPECT_EQ(typeOf("Enabled"), QMetaType::Bool);
    EXPECT_EQ(typeOf("Border"), QMetaType::Short); // 0 or 1, not a Boolean
    EXPECT_EQ(typeOf("StrechPicture"), QMetaType::QString);
    EXPECT_EQ(typeOf("Value"), QMetaType::QString);
    EXPECT_EQ(typeOf("Mask"), QMetaType::QString);
    EXPECT_EQ(store.values.value("Mask").toString(), "True");
    EXPECT_EQ(store.writes.front().value.toInt(), static_cast<int>(0x8000000Fu));
}

TEST(GlissorStore, ReadsTheKeysInOrderAndTakesTextsUnchecked) {
    Glissor g;
    MemoryStore store;
    store.values = {{"Value", "8"},
                    {"MaxValue", "4"},
                    {"StrechPicture", "0"},
                    {"Mask", "True"},
                    {"Border", QVariant::fromValue<qint16>(1)},
                    {"BackColor", static_cast<int>(0x000000FFu)},
                    {"Caption", "Stored"}};
    QSignalSpy change(&g, &Glissor::Change);
    g.ReadProperties(store);
    EXPECT_EQ(store.reads, kKeys);
    EXPECT_EQ(g.valueText(), "8"); // not clamped to the maximum
    EXPECT_EQ(g.maxText(), "4");
    EXPECT_FALSE(g.StrechPicture());
    EXPECT_TRUE(g.Mask());
    EXPECT_TRUE(g.Border());
    EXPECT_EQ(g.BackColor(), 0x000000FFu);
    EXPECT_EQ(g.Caption(), "Stored");
    EXPECT_TRUE(g.HPicture().isNull()); // a store without "HPicture" has no handle
    EXPECT_EQ(change.size(), 0);
    EXPECT_EQ(store.readDefaults.value("Mask").typeId(), QMetaType::Bool);
}

TEST(GlissorStore, AStoreWithoutMaskGivesTheTextFalse) {
    Glissor g;
    MemoryStore store;
    g.ReadProperties(store);
    EXPECT_EQ(g.maskText(), "False");
    EXPECT_EQ(g.strechText(), "true");
    EXPECT_EQ(g.valueText(), "5");
}

TEST(GlissorStore, ValueTextThatIsNoNumberRestoresButFailsStrictReaders) {
    Glissor g;
    MemoryStore store;
    store.values = {{"Value", "abc"}, {"StrechPicture", "maybe"}};
    g.ReadProperties(store);
    EXPECT_EQ(g.valueText(), "abc");
    g.resize(109, 30);
    g.show(); // sizing and showing do not fail
    EXPECT_EQ(g.handleX(), 0);
    EXPECT_EQ(errorOf([&] { g.Value(); }), ErrorKind::TypeMismatch);
    EXPECT_EQ(errorOf([&] { g.UpdateSlider(); }), ErrorKind::TypeMismatch);
    EXPECT_EQ(errorOf([&] { g.StrechPicture(); }), ErrorKind::TypeMismatch);
}

TEST(GlissorStore, RoundTripsEveryKey) {
    Glissor a;
    a.LetCaption("Level");
    a.LetForeColor(0x00123456);
    a.SetPicture(QImage(4, 4, QImage::Format_RGB32));
    a.LetValue(2.5);
    a.LetStrechPicture(false);
    MemoryStore store;
    a.WriteProperties(store);
    Glissor b;
    b.ReadProperties(store);
    EXPECT_EQ(b.Caption(), "Level");
    EXPECT_EQ(b.ForeColor(), 0x00123456u);
    EXPECT_EQ(b.Picture().size(), QSize(4, 4));
    EXPECT_EQ(b.valueText(), "2.5");
    EXPECT_EQ(b.strechText(), "False");
    EXPECT_EQ(b.HPicture(), Glissor::defaultThumb());
}

TEST(GlissorProperties, LateBoundAccessUsesTheInterfaceNames) {
    Glissor g;
    EXPECT_TRUE(g.setProperty("Value", 7.0));
    EXPECT_EQ(g.property("Value").toDouble(), 7.0);
    EXPECT_TRUE(g.setProperty("StrechPicture", false));
    EXPECT_EQ(g.strechText(), "False");
    EXPECT_TRUE(QMetaObject::invokeMethod(&g, "UpdateSlider"));
}
