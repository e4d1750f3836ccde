#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

#include "component/controlerror.h"
#include "component/propertybag.h"
#include "controlerrors.h"
#include "tempdir.h"

using namespace platform::component;

namespace {

QImage testImage() {
    QImage img(5, 3, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    img.setPixel(0, 0, qRgba(255, 0, 0, 255));
    img.setPixel(4, 2, qRgba(10, 20, 30, 128));
    return img;
}

// Every stored type with the values most likely to break a text format.
std::vector<std::pair<QString, PropertyValue>> everyType() {
    return {
        {"empty", std::monostate{}},
        {"i16min", std::int16_t{-32768}},
        {"i16max", std::int16_t{32767}},
        {"i32min", std::int32_t{std::numeric_limits<std::int32_t>::min()}},
        {"i32", std::int32_t{4895}},
        {"yes", true},
        {"no", false},
        {"text", QStringLiteral("say \"hi\"\\ \t tab\nnew line\r\x01 end = # Grüße")},
        {"emptytext", QString()},
        {"spaces", QStringLiteral("  padded  ")},
        {"f32", 0.7f},
        {"f32tiny", std::numeric_limits<float>::denorm_min()},
        {"f32inf", -std::numeric_limits<float>::infinity()},
        {"f64", 0.1},
        {"f64big", 1.7976931348623157e308},
        {"colour", Colour{0x8000000F}},
        {"colour2", Colour{0x00404040}},
        {"font", Font{QStringLiteral("Sans \"Q\" Serif"), 8.25, true, false, true, true}},
        {"plainfont", Font{QStringLiteral("Arial"), 12, false, false, false, false}},
        {"picture", Picture{testImage()}},
        {"nopicture", Picture{}},
        {"odd key = \"x\"", std::int16_t{1}},
    };
}

} // namespace

TEST(PropertyBag, EveryTypeRoundTripsThroughTextAndFile) {
    PropertyBag bag;
    for (const auto& [key, value] : everyType())
        bag.write(key, value, QStringLiteral("\x7f never a default"));
    ASSERT_EQ(bag.size(), static_cast<int>(everyType().size()));

    QString error;
    const auto back = PropertyBag::fromText(bag.toText(), &error);
    ASSERT_TRUE(back) << error.toStdString() << "\n" << bag.toText().toStdString();
    EXPECT_EQ(*back, bag);
    for (const auto& [key, value] : everyType()) {
        const PropertyValue got = back->read(key);
        EXPECT_EQ(typeOf(got), typeOf(value)) << key.toStdString();
        EXPECT_TRUE(got == value) << key.toStdString();
    }
    // The order of writing is the order of the text.
    for (int i = 0; i < back->size(); ++i)
        EXPECT_EQ(back->entries()[i].key, everyType()[i].first);

    TempDir dir;
    ASSERT_TRUE(bag.save(dir.file("sub/set.props"), &error)) << error.toStdString();
    const auto loaded = PropertyBag::load(dir.file("sub/set.props"), &error);
    ASSERT_TRUE(loaded) << error.toStdString();
    EXPECT_EQ(*loaded, bag);
}

TEST(PropertyBag, NaNSurvivesTheTextFormat) {
    PropertyBag bag;
    bag.write(QStringLiteral("x"), std::numeric_limits<double>::quiet_NaN(), 0.0);
    const auto back = PropertyBag::fromText(bag.toText());
    ASSERT_TRUE(back);
    EXPECT_TRUE(std::isnan(std::get<double>(back->read(QStringLiteral("x")))));
}

TEST(PropertyBag, KeysAreMatchedWithoutRegardToCase) {
    PropertyBag bag;
    bag.write(QStringLiteral("BackColor"), Colour{1}, Colour{0});
    bag.write(QStringLiteral("Value"), std::int16_t{5}, std::int16_t{0});
    bag.write(QStringLiteral("BACKCOLOR"), Colour{2}, Colour{0});
    ASSERT_EQ(bag.size(), 2);
    EXPECT_EQ(bag.entries()[0].key, QStringLiteral("BackColor")); // first spelling and place kept
    EXPECT_EQ(bag.read(QStringLiteral("backcolor"), Colour{0}), Colour{2});
    EXPECT_TRUE(bag.contains(QStringLiteral("vALUE")));
}

TEST(PropertyBag, AValueEqualToItsDefaultIsNotStored) {
    PropertyBag bag;
    bag.write(QStringLiteral("Max"), std::int16_t{100}, std::int16_t{100});
    bag.write(QStringLiteral("SegmentWidth"), 0.7f, 0.7f);
    bag.write(QStringLiteral("MouseIcon"), Picture{}, Picture{});
    EXPECT_TRUE(bag.isEmpty());

    // A changed value is stored; written back to its default it disappears again.
    bag.write(QStringLiteral("Max"), std::int16_t{50}, std::int16_t{100});
    EXPECT_EQ(bag.read(QStringLiteral("Max"), std::int16_t{100}), 50);
    bag.write(QStringLiteral("Max"), std::int16_t{100}, std::int16_t{100});
    EXPECT_FALSE(bag.contains(QStringLiteral("Max")));

    // Equal means equal in type too: a text "False" with a Boolean default is stored.
    bag.write(QStringLiteral("Mask"), QStringLiteral("False"), false);
    EXPECT_EQ(typeOf(bag.read(QStringLiteral("Mask"))), PropertyType::Text);
    // A missing key reads as its default, typed or not.
    EXPECT_EQ(toText(bag.read(QStringLiteral("Missing"), false)), QStringLiteral("False"));
    EXPECT_EQ(bag.read(QStringLiteral("Missing"), 0.7f), 0.7f);
}

TEST(PropertyBag, TypedReadsConvertOrFailWithTheirKind) {
    PropertyBag bag;
    bag.write(QStringLiteral("big"), std::int32_t{70000});
    bag.write(QStringLiteral("word"), QStringLiteral("abc"));
    bag.write(QStringLiteral("num"), QStringLiteral(" 12 "));
    bag.write(QStringLiteral("yes"), true);
    bag.write(QStringLiteral("half"), 2.5);
    bag.write(QStringLiteral("font"), Font{QStringLiteral("Arial")});
    bag.write(QStringLiteral("syscol"), Colour{0x80000012});
    EXPECT_EQ(errorKindOf([&] { bag.read(QStringLiteral("big"), std::int16_t{0}); }), ErrorKind::Overflow);
    EXPECT_EQ(errorKindOf([&] { bag.read(QStringLiteral("word"), std::int16_t{0}); }),
              ErrorKind::TypeMismatch);
    EXPECT_EQ(errorKindOf([&] { bag.read(QStringLiteral("word"), false); }), ErrorKind::TypeMismatch);
    EXPECT_EQ(errorKindOf([&] { bag.read(QStringLiteral("font"), std::int32_t{0}); }),
              ErrorKind::TypeMismatch);
    EXPECT_EQ(errorKindOf([&] { bag.read(QStringLiteral("yes"), Picture{}); }), ErrorKind::TypeMismatch);

    EXPECT_EQ(bag.read(QStringLiteral("big"), std::int32_t{0}), 70000);
    EXPECT_EQ(bag.read(QStringLiteral("num"), std::int16_t{0}), 12);
    EXPECT_EQ(bag.read(QStringLiteral("yes"), std::int16_t{0}), -1);
    EXPECT_EQ(bag.read(QStringLiteral("half"), std::int16_t{0}), 2); // halves to even
    EXPECT_EQ(bag.read(QStringLiteral("yes"), QString()), QStringLiteral("True"));
    EXPECT_EQ(bag.read(QStringLiteral("syscol"), std::int32_t{0}), static_cast<std::int32_t>(0x80000012u));
    EXPECT_EQ(bag.read(QStringLiteral("big"), Colour{}), Colour{70000});
}

TEST(PropertyBag, ReadsTheHandWrittenForm) {
    const auto bag = PropertyBag::fromText(QStringLiteral("# the main window's bar\n"
                                                          "\n"
                                                          "  backcolor   =   colour 0x00404040\n"
                                                          "endcolor = COLOUR 16777215\n"
                                                          "showpercent = bool false\n"
                                                          "_extentx = i32 4895\r\n"));
    ASSERT_TRUE(bag);
    EXPECT_EQ(bag->read(QStringLiteral("BackColor"), Colour{}), Colour{0x00404040});
    EXPECT_EQ(bag->read(QStringLiteral("EndColor"), Colour{}), Colour{0x00FFFFFF});
    EXPECT_EQ(bag->read(QStringLiteral("ShowPercent"), true), false);
    EXPECT_EQ(bag->read(QStringLiteral("_ExtentX"), std::int32_t{0}), 4895);
}

TEST(PropertyBag, BrokenTextIsRefusedWithItsLine) {
    const struct {
        const char* text;
        const char* why;
    } cases[] = {
        {"a = i16 1\nno equals sign", "line 2"},
        {"a = i16 40000", "line 1"},
        {"a = i32 12x", "line 1"},
        {"a = bool yes", "line 1"},
        {"a = text \"open", "line 1"},
        {"a = text \"bad \\q escape\"", "line 1"},
        {"a = text \"x\" trailing", "line 1"},
        {"a = f32 1.5.2", "line 1"},
        {"a = colour red", "line 1"},
        {"a = font Arial 8", "line 1"},
        {"a = font \"Arial\" 8 heavy", "line 1"},
        {"a = picture png !!!", "line 1"},
        {"a = picture png aGVsbG8=", "line 1"},
        {"a = decimal 1", "line 1"},
        {" = i16 1", "line 1"},
        {"\"key = i16 1", "line 1"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(PropertyBag::fromText(QString::fromUtf8(c.text), &error)) << c.text;
        EXPECT_TRUE(error.startsWith(QLatin1String(c.why))) << c.text << " -> " << error.toStdString();
    }
}

TEST(PropertyBag, AMissingFileIsAnError) {
    TempDir dir;
    QString error;
    EXPECT_FALSE(PropertyBag::load(dir.file("none.props"), &error));
    EXPECT_TRUE(error.contains(QLatin1String("none.props")));
}

TEST(PropertyBag, AnyTextEitherFailsOrRoundTrips) {
    // Lines assembled from the format's own pieces, so most of them come close to valid ones.
    const QStringList keys = {"a", "B", "\"q k\"", "\"\\x01\"", "", "=", "#c"};
    const QStringList types = {"i16",    "i32",  "bool",    "text",  "f32", "f64",
                               "colour", "font", "picture", "empty", "x"};
    const QStringList values = {"0",    "-32768", "70000", "True",       "\"t\\\"x\"",      "\"a\\x7f\"",
                                "1e39", "nan",    "inf",   "0x80000012", "\"F\" 8.25 bold", "none",
                                "png",  "",       "\"",    "-0"};
    quint32 seed = 12345;
    auto pick = [&seed](const QStringList& l) {
        seed = seed * 1664525u + 1013904223u;
        return l[static_cast<int>((seed >> 8) % static_cast<quint32>(l.size()))];
    };
    int parsed = 0;
    for (int i = 0; i < 3000; ++i) {
        QString text;
        for (int line = 0; line < 3; ++line)
            text += pick(keys) + QStringLiteral(" = ") + pick(types) + QLatin1Char(' ') + pick(values) +
                    QLatin1Char('\n');
        const auto bag = PropertyBag::fromText(text);
        if (!bag)
            continue;
        ++parsed;
        const auto again = PropertyBag::fromText(bag->toText());
        ASSERT_TRUE(again) << text.toStdString() << "\n->\n" << bag->toText().toStdString();
        // NaN is never equal to itself; compare the texts instead.
        EXPECT_EQ(again->toText(), bag->toText()) << text.toStdString();
    }
    EXPECT_GT(parsed, 10);
}
