#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "ui/imagebutton.h"
#include "ui/progressbar.h"
#include "ui/slider.h"

using namespace platform;

TEST(Slider, OnlyTheUserRaisesChanged) {
    Slider s(Qt::Horizontal);
    s.resize(64, 16);
    s.setRange(1, 100);
    QSignalSpy spy(&s, &Slider::changed);
    s.setValue(50); // a stored position shown at start-up applies nothing
    EXPECT_EQ(spy.count(), 0);

    QTest::mouseClick(&s, Qt::LeftButton, {}, QPoint(63, 8));
    EXPECT_EQ(s.value(), 100);
    EXPECT_GE(spy.count(), 1);

    spy.clear();
    s.setFocus();
    QTest::keyClick(&s, Qt::Key_Left);
    EXPECT_EQ(s.value(), 99);
    EXPECT_EQ(spy.count(), 1);
}

TEST(Slider, VerticalHasItsMaximumOnTop) {
    Slider s(Qt::Vertical);
    s.resize(16, 73);
    s.setRange(-5000, 0);
    QTest::mouseClick(&s, Qt::LeftButton, {}, QPoint(8, 0));
    EXPECT_EQ(s.value(), 0);
    QTest::mouseClick(&s, Qt::LeftButton, {}, QPoint(8, 72));
    EXPECT_EQ(s.value(), -5000);
}

TEST(ProgressBar, ReportsPressesInTwipsAndClampsItsDrawing) {
    ProgressBar b;
    b.resize(185, 17);
    QSignalSpy spy(&b, &ProgressBar::mouseDown);
    QTest::mouseClick(&b, Qt::RightButton, Qt::ShiftModifier, QPoint(92, 5));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_EQ(spy[0][0].value<short>(), 2);
    EXPECT_EQ(spy[0][1].value<short>(), 1);
    EXPECT_FLOAT_EQ(spy[0][2].toFloat(), 1380.f);
    EXPECT_FLOAT_EQ(spy[0][3].toFloat(), 75.f);
    EXPECT_DOUBLE_EQ(b.widthTwips(), 2775);

    b.setMax(200.5f);
    b.setValue(100.25f);
    EXPECT_DOUBLE_EQ(b.fraction(), 0.5);
    b.setValue(500); // a value past the end, written before its upper end, is drawn full
    EXPECT_DOUBLE_EQ(b.fraction(), 1.0);
    b.setMax(0);
    EXPECT_DOUBLE_EQ(b.fraction(), 0.0);
}

TEST(ImageButton, ClicksOnlyWhenReleasedInside) {
    ImageButton b;
    b.resize(49, 17);
    QSignalSpy clicked(&b, &ImageButton::clicked);
    QSignalSpy down(&b, &ImageButton::mouseDown);
    QTest::mouseClick(&b, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    QTest::mousePress(&b, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(&b, Qt::LeftButton, {}, QPoint(80, 5));
    EXPECT_EQ(clicked.count(), 1);
    QTest::mouseClick(&b, Qt::RightButton);
    EXPECT_EQ(clicked.count(), 1);
    EXPECT_EQ(down.count(), 3);
    EXPECT_EQ(down.last()[0].value<short>(), 2);
}
