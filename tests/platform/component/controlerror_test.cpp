#include <gtest/gtest.h>
#include <limits>

#include "component/controlerror.h"
#include "controlerrors.h"

using namespace platform::component;

TEST(ControlError, NarrowingChecksTheSixteenBitRange) {
    EXPECT_EQ(narrowToInt16(-32768), -32768);
    EXPECT_EQ(narrowToInt16(32767), 32767);
    EXPECT_EQ(errorKindOf([] { narrowToInt16(32768); }), ErrorKind::Overflow);
    EXPECT_EQ(errorKindOf([] { narrowToInt16(-32769); }), ErrorKind::Overflow);
    EXPECT_EQ(errorKindOf([] { narrowToInt32(1LL << 31); }), ErrorKind::Overflow);

    EXPECT_EQ(roundToInt16(2.5), 2);
    EXPECT_EQ(roundToInt16(-32768.4), -32768);
    EXPECT_EQ(errorKindOf([] { roundToInt16(32767.5); }), ErrorKind::Overflow); // 32768 after rounding
    EXPECT_EQ(errorKindOf([] { roundToInt16(std::numeric_limits<double>::quiet_NaN()); }),
              ErrorKind::Overflow);
    EXPECT_EQ(errorKindOf([] { roundToInt32(std::numeric_limits<double>::infinity()); }),
              ErrorKind::Overflow);
}

TEST(ControlError, KindsCarryTheirClassicNumbersAndTexts) {
    const struct {
        ErrorKind kind;
        int number;
        const char* text;
    } cases[] = {{ErrorKind::TypeMismatch, 13, "Type mismatch"},
                 {ErrorKind::Overflow, 6, "Overflow"},
                 {ErrorKind::DivisionByZero, 11, "Division by zero"}};
    for (const auto& c : cases) {
        const ControlError e(c.kind);
        EXPECT_EQ(e.number(), c.number);
        EXPECT_EQ(e.message(), QString::fromLatin1(c.text));
        // A generic host catches the standard base and still gets the text.
        try {
            throw ControlError(c.kind, QStringLiteral("Percent"));
        } catch (const std::exception& any) {
            EXPECT_EQ(QString::fromUtf8(any.what()),
                      QString::fromLatin1(c.text) + QStringLiteral(": Percent"));
        }
    }
}
