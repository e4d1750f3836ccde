#include <gtest/gtest.h>

#include "core/numbertext.h"

using namespace platform;

TEST(NumberText, NumberToText) {
    const struct {
        double v;
        const char* text;
    } cases[] = {{5, "5"},
                 {37, "37"},
                 {-3, "-3"},
                 {12.5, "12.5"},
                 {1.0 / 3, "0.333333333333333"},
                 {0, "0"},
                 {2.5, "2.5"},
                 {100, "100"},
                 {0.1 + 0.2, "0.3"},
                 {123456789012345.0, "123456789012345"},
                 {1e20, "1E+20"},
                 {-0.0, "0"}};
    for (const auto& c : cases)
        EXPECT_EQ(numberToText(c.v).toStdString(), c.text);
}

TEST(NumberText, LenientTakesTheLeadingNumber) {
    const struct {
        const char* text;
        double v;
    } cases[] = {{"12.5", 12.5}, {"  7abc", 7}, {"abc", 0},  {"", 0},  {"-3", -3},
                 {"1e2x", 100},  {"2e", 2},     {".5", 0.5}, {"-", 0}, {"1.2.3", 1.2}};
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(textToNumberLenient(QString::fromLatin1(c.text)), c.v) << c.text;
}

TEST(NumberText, StrictWantsTheWholeText) {
    EXPECT_EQ(textToNumberStrict(QStringLiteral(" 12.5 ")), 12.5);
    EXPECT_EQ(textToNumberStrict(QStringLiteral("7")), 7.0);
    for (const char* bad : {"", "abc", "7abc", "1.2.3", "-", "1e999"})
        EXPECT_FALSE(textToNumberStrict(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(NumberText, BooleanText) {
    EXPECT_EQ(textToBoolStrict(QStringLiteral("TRUE")), true);
    EXPECT_EQ(textToBoolStrict(QStringLiteral("false")), false);
    EXPECT_EQ(textToBoolStrict(QStringLiteral("-1")), true);
    EXPECT_EQ(textToBoolStrict(QStringLiteral("0")), false);
    EXPECT_FALSE(textToBoolStrict(QStringLiteral("yes")).has_value());
    EXPECT_EQ(boolToText(true), QStringLiteral("True"));
    EXPECT_EQ(boolToText(false), QStringLiteral("False"));
}
