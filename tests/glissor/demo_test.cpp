// The demo host finds both controls beside it, and the slider drives the bar.
#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include "demowindow.h"

TEST(GlissorDemo, PlacesBothControlsAndTheSliderFillsTheBar) {
    DemoWindow window;
    window.show();
    ASSERT_NE(window.glissor(), nullptr);
    ASSERT_NE(window.lumaband(), nullptr);
    EXPECT_EQ(window.glissor()->property("Value").toDouble(), 6);
    const int before = window.lumaband()->property("Value").toInt();

    const QPointF at(5, 10); // the far left of the face: value 0
    QMouseEvent press(QEvent::MouseButtonPress, at, window.glissor()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.glissor(), &press);
    EXPECT_EQ(window.glissor()->property("Value").toDouble(), 0);
    EXPECT_EQ(window.lumaband()->property("Value").toInt(), window.lumaband()->property("Min").toInt());
    EXPECT_NE(before, window.lumaband()->property("Value").toInt());
}
