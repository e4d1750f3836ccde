// The demo host finds both controls beside it, the slider drives the bar, and the panel describes members.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QMouseEvent>
#include <gtest/gtest.h>

#include "demowindow.h"

TEST(Demo, PlacesBothControlsAndTheSliderFillsTheBar) {
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

TEST(Demo, ThePanelShowsTheBarsMemberDescriptions) {
    DemoWindow window;
    auto* target = window.findChild<QComboBox*>(QStringLiteral("cboTarget"));
    ASSERT_NE(target, nullptr);
    const int bar = target->findText(QStringLiteral("Lumaband"));
    ASSERT_GE(bar, 0);
    target->setCurrentIndex(bar);
    emit target->activated(bar);
    QLabel* label = nullptr;
    for (QLabel* l : window.findChildren<QLabel*>())
        if (l->text() == QLatin1String("MousePointer"))
            label = l;
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->toolTip(),
              "Returns/sets the type of mouse pointer displayed when over part of an object.");
}
