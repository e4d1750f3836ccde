// Sizing, the mouse steps and the drawing into the retained image.
#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <functional>
#include <gtest/gtest.h>
#include <iterator>

#include "component/control.h"
#include "component/propertybag.h"
#include "glissor/glissor.h"

namespace {

void send(QWidget& w, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons, double x,
          double y = 10) {
    QMouseEvent e(type, QPointF(x, y), w.mapToGlobal(QPointF(x, y)), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&w, &e);
}
void press(QWidget& w, double x, Qt::MouseButton b = Qt::LeftButton) {
    send(w, QEvent::MouseButtonPress, b, b, x);
}
void release(QWidget& w, double x, Qt::MouseButton b = Qt::LeftButton) {
    send(w, QEvent::MouseButtonRelease, b, Qt::NoButton, x);
}

// A shown face of the given size (Resize handling, then Show handling).
struct Face {
    explicit Face(int width = 109, int height = 30) {
        g.resize(width, height);
        g.show();
    }
    Glissor g;
};

QImage solid(int w, int h, QRgb c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(c);
    return img;
}

} // namespace

TEST(GlissorSizing, ShowingComputesScaleAndPosition) {
    Face f;
    EXPECT_EQ(f.g.pixelsPerUnit(), 10);
    EXPECT_EQ(f.g.handleX(), 50);
    EXPECT_EQ(f.g.handleY(), 4); // round(15 - 10.5), halves to even
    EXPECT_EQ(f.g.faceImage().size(), QSize(109, 30));
}

TEST(GlissorSizing, AScaleOfTwoAndAHalfRoundsHalvesToEven) {
    Face f(34); // (34 - 9) / 10
    ASSERT_EQ(f.g.pixelsPerUnit(), 2.5);
    const struct {
        double value;
        short handleX;
    } cases[] = {{1, 2}, {3, 8}, {5, 12}, {7, 18}};
    for (const auto& c : cases) {
        f.g.setValue(c.value);
        EXPECT_EQ(f.g.handleX(), c.handleX) << c.value;
    }
}

TEST(GlissorSizing, ResizingKeepsTheScaleOfTheLastShow) {
    Face f;
    f.g.setValue(10);
    f.g.resize(209, 30);
    EXPECT_EQ(f.g.pixelsPerUnit(), 10);
    EXPECT_EQ(f.g.handleX(), 100); // short of the right end at 200
    f.g.hide();
    f.g.show(); // shown again: the scale of the new width
    EXPECT_EQ(f.g.pixelsPerUnit(), 20);
    EXPECT_EQ(f.g.handleX(), 200);
    f.g.resize(59, 30);
    EXPECT_EQ(f.g.handleX(), 200); // past the right edge until the next mouse step
    press(f.g, 500);
    EXPECT_EQ(f.g.handleX(), 50);
    f.g.setMaxValue(10);
    EXPECT_EQ(f.g.pixelsPerUnit(), 5);
}

TEST(GlissorSizing, AFaceAsWideAsTheHandleNeverFails) {
    Face f(9);
    EXPECT_EQ(f.g.pixelsPerUnit(), 0);
    QSignalSpy change(&f.g, &Glissor::Change);
    press(f.g, 5);
    send(f.g, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, 50);
    release(f.g, -5);
    EXPECT_EQ(f.g.handleX(), 0);
    EXPECT_EQ(change.size(), 3);
    EXPECT_EQ(f.g.valueText(), "5");
}

TEST(GlissorMouse, ALeftPressPicksTheValueUnderThePointer) {
    const struct {
        double x;
        const char* value;
        short handleX;
    } cases[] = {{57, "5", 50}, {-4, "0", 0}, {250, "10", 100}, {109, "10", 100}, {0, "0", 0}};
    for (const auto& c : cases) {
        Face f;
        std::vector<double> change;
        QObject::connect(&f.g, &Glissor::Change, [&](double& v) { change.push_back(v); });
        QSignalSpy notified(&f.g, &Glissor::PropertyChanged);
        press(f.g, c.x);
        EXPECT_EQ(f.g.valueText(), c.value) << c.x;
        EXPECT_EQ(f.g.handleX(), c.handleX) << c.x;
        EXPECT_EQ(change, std::vector<double>{QString(c.value).toDouble()});
        EXPECT_EQ(notified.size(), 0); // mouse steps do not tell the host a property changed
        EXPECT_EQ(f.g.handleY(), 4);
    }
}

TEST(GlissorMouse, AMaximumWithDecimalsIsCopiedAsItsText) {
    Face f;
    f.g.setMaxValue(7.5);
    press(f.g, 108);
    EXPECT_EQ(f.g.valueText(), "7.5");
}

TEST(GlissorMouse, ADoubleClickFollowsThePlatformsOrderWithOneClick) {
    Face f;
    QStringList order;
    QObject::connect(&f.g, &Glissor::MouseDown,
                     [&](short&, short&, float&, float&) { order << "MouseDown"; });
    QObject::connect(&f.g, &Glissor::MouseUp, [&](short&, short&, float&, float&) { order << "MouseUp"; });
    QObject::connect(&f.g, &Glissor::Change, [&](double&) { order << "Change"; });
    QObject::connect(&f.g, &Glissor::Click, [&] { order << "Click"; });
    // What a window system delivers: the second press comes as a double-click event. The first click alone
    // gives MouseDown, Change, MouseUp, Change, Click.
    press(f.g, 30);
    release(f.g, 30);
    send(f.g, QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton, 60);
    EXPECT_EQ(f.g.valueText(), "3"); // the double-click itself is no mouse step
    release(f.g, 60);
    EXPECT_EQ(order, (QStringList{"MouseDown", "Change", "MouseUp", "Change", "Click", "MouseUp", "Change"}));
    order.clear();
    press(f.g, 30); // the next click is a click again
    release(f.g, 30);
    EXPECT_EQ(order.count("Click"), 1);
}

TEST(GlissorMouse, OnlyTheLeftButtonAloneMovesTheHandle) {
    Face f;
    QSignalSpy change(&f.g, &Glissor::Change);
    std::vector<short> down, move;
    QObject::connect(&f.g, &Glissor::MouseDown, [&](short& b, short&, float&, float&) { down.push_back(b); });
    QObject::connect(&f.g, &Glissor::MouseMove, [&](short& b, short&, float&, float&) { move.push_back(b); });
    press(f.g, 90, Qt::RightButton);
    send(f.g, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton | Qt::RightButton, 90);
    send(f.g, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, 90);
    EXPECT_EQ(down, std::vector<short>{2});
    EXPECT_EQ(move, (std::vector<short>{3, 0}));
    EXPECT_EQ(change.size(), 0);
    EXPECT_EQ(f.g.valueText(), "5");
    send(f.g, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, 90);
    EXPECT_EQ(f.g.valueText(), "9");
}

TEST(GlissorMouse, TheHostsHandlerCanChangeButtonAndX) {
    Face f;
    QObject::connect(&f.g, &Glissor::MouseDown, [](short& Button, short&, float&, float&) { Button = 0; });
    press(f.g, 90);
    EXPECT_EQ(f.g.valueText(), "5");

    Face moved;
    QObject::connect(&moved.g, &Glissor::MouseDown, [](short&, short&, float& X, float&) { X = 20; });
    press(moved.g, 90);
    EXPECT_EQ(moved.g.valueText(), "2");
    EXPECT_EQ(moved.g.handleX(), 20);

    Face promoted; // a right press the host turns into a left one moves the handle
    QObject::connect(&promoted.g, &Glissor::MouseDown,
                     [](short& Button, short&, float&, float&) { Button = 1; });
    press(promoted.g, 30, Qt::RightButton);
    EXPECT_EQ(promoted.g.valueText(), "3");
}

TEST(GlissorMouse, AValueAssignedInChangeDuringAStepPlacesTheHandle) {
    Face f;
    bool inside = false;
    QObject::connect(&f.g, &Glissor::Change, [&](double&) {
        if (inside)
            return;
        inside = true;
        f.g.setValue(8);
        inside = false;
    });
    press(f.g, 20);
    EXPECT_EQ(f.g.valueText(), "8");
    EXPECT_EQ(f.g.handleX(), 80);
}

TEST(GlissorMouse, ADisabledFaceIgnoresThePointer) {
    Face f;
    f.g.setEnabledState(false);
    QSignalSpy down(&f.g, &Glissor::MouseDown);
    press(f.g, 90);
    EXPECT_EQ(down.size(), 0);
    EXPECT_EQ(f.g.valueText(), "5");
}

TEST(GlissorDrawing, TheMaskedHandleLetsTheBackgroundShowThrough) {
    Face f;
    f.g.setPicture(solid(10, 10, qRgb(200, 0, 0)));
    // The handle shape is the middle column; the mask is white (transparent) around a black shape, and the
    // handle picture is black around it.
    QImage mask = solid(9, 21, qRgb(255, 255, 255));
    QImage handle = solid(9, 21, qRgb(0, 0, 0));
    for (int y = 0; y < 21; ++y) {
        mask.setPixel(4, y, qRgb(0, 0, 0));
        handle.setPixel(4, y, qRgb(0, 200, 0));
    }
    f.g.setMaskPicture(mask);
    f.g.setHPicture(handle);
    f.g.setCaption("");
    f.g.setMask(true);
    const int x = f.g.handleX(), y = f.g.handleY();
    EXPECT_EQ(f.g.faceImage().pixel(x, y + 5), qRgb(200, 0, 0));
    EXPECT_EQ(f.g.faceImage().pixel(x + 4, y + 5), qRgb(0, 200, 0));
    EXPECT_EQ(f.g.faceImage().pixel(x + 8, y + 5), qRgb(200, 0, 0));

    f.g.setMask(false); // copied: the handle's black surroundings cover the face
    EXPECT_EQ(f.g.faceImage().pixel(x, y + 5), qRgb(0, 0, 0));
    EXPECT_EQ(f.g.faceImage().pixel(x + 4, y + 5), qRgb(0, 200, 0));

    f.g.setMask(true);
    f.g.setMaskPicture(QImage()); // no mask picture: copied as without a mask
    EXPECT_EQ(f.g.faceImage().pixel(x, y + 5), qRgb(0, 0, 0));
}

TEST(GlissorDrawing, AndAndOrWorkPerBit) {
    Face f;
    f.g.setPicture(solid(1, 1, qRgb(0xF0, 0x0F, 0xAA)));
    f.g.setMaskPicture(solid(9, 21, qRgb(0xCC, 0xCC, 0xCC)));
    f.g.setHPicture(solid(9, 21, qRgb(0x01, 0x10, 0x01)));
    f.g.setCaption("");
    f.g.setMask(true);
    EXPECT_EQ(f.g.faceImage().pixel(f.g.handleX() + 1, f.g.handleY() + 1),
              qRgb((0xF0 & 0xCC) | 0x01, (0x0F & 0xCC) | 0x10, (0xAA & 0xCC) | 0x01));
}

TEST(GlissorDrawing, AnUnstretchedSmallBackgroundLeavesTheBackColour) {
    Face f;
    f.g.setCaption("");
    f.g.setHPicture(QImage());
    f.g.setBackColor(0x00FF0000); // blue, in 0x00BBGGRR
    f.g.setPicture(solid(20, 10, qRgb(0, 200, 0)));
    EXPECT_EQ(f.g.faceImage().pixel(100, 25), qRgb(0, 200, 0)); // stretched over the whole face
    f.g.setStrechPicture(false);
    EXPECT_EQ(f.g.faceImage().pixel(5, 5), qRgb(0, 200, 0));
    EXPECT_EQ(f.g.faceImage().pixel(100, 25), qRgb(0, 0, 255));
    EXPECT_EQ(f.g.faceImage().pixel(25, 5), qRgb(0, 0, 255));
}

TEST(GlissorDrawing, TheCaptionIsCentredAndUnderTheHandle) {
    Face f(200, 40);
    f.g.setBackColor(0x00FFFFFF);
    f.g.setForeColor(0x00000000);
    f.g.setHPicture(QImage());
    f.g.setCaption("WWWW");
    const QImage img = f.g.faceImage();
    int left = img.width(), right = -1;
    for (int x = 0; x < img.width(); ++x)
        for (int y = 0; y < img.height(); ++y)
            if (img.pixel(x, y) != qRgb(255, 255, 255)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GE(right, left);
    EXPECT_NEAR((left + right) / 2.0, 100, 3);
    f.g.setHPicture(solid(200, 40, qRgb(10, 10, 10)));
    f.g.setValue(0);
    EXPECT_EQ(f.g.faceImage().pixel(100, f.g.handleY() + 20), qRgb(10, 10, 10));
}

TEST(GlissorDrawing, APaintShowsTheRetainedImage) {
    Face f;
    f.g.setBackColor(0x0000FF00);
    const QImage shown = f.g.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(2, 2), f.g.faceImage().pixel(2, 2));
    EXPECT_EQ(shown.pixel(2, 2), qRgb(0, 255, 0));
}

TEST(GlissorDrawing, FlagsThatAreNoBooleanStretchAndMask) {
    platform::component::PropertyBag bag;
    bag.write("StrechPicture", QString("maybe"));
    bag.write("Mask", QString("perhaps"));
    Glissor g;
    g.readProperties(bag);
    g.resize(109, 30);
    g.show();
    g.setPicture(solid(10, 10, qRgb(200, 0, 0)));
    g.setMaskPicture(solid(9, 21, qRgb(255, 255, 255)));
    g.setHPicture(solid(9, 21, qRgb(0, 0, 0)));
    g.setCaption("");
    EXPECT_EQ(g.faceImage().pixel(100, 25), qRgb(200, 0, 0));                          // stretched
    EXPECT_EQ(g.faceImage().pixel(g.handleX() + 2, g.handleY() + 2), qRgb(200, 0, 0)); // masked away
}

TEST(GlissorMouse, AFailingHostHandlerDoesNotEndThePointerEvent) {
    Face f;
    QObject::connect(&f.g, &Glissor::Change, [&](double&) { f.g.setMaxValue(0); });
    press(f.g, 57);
    EXPECT_EQ(f.g.maxText(), "0");
    EXPECT_EQ(f.g.handleX(), 0);
    release(f.g, 57);
    EXPECT_EQ(f.g.valueText(), "0");
}

// A host may delete the slider in any handler of its own events; the control then touches nothing of itself
// (the sanitizer stage turns a touch into a failure). Each event is tried by a press, move and release at 50.
TEST(GlissorMouse, AHandlerMayDeleteTheControlInEachOfItsEvents) {
    const std::function<QMetaObject::Connection(Glissor*, std::function<void()>)> events[] = {
        [](Glissor* g, auto del) {
            return QObject::connect(g, &Glissor::MouseDown, [del](short&, short&, float&, float&) { del(); });
        },
        [](Glissor* g, auto del) {
            return QObject::connect(g, &Glissor::MouseMove, [del](short&, short&, float&, float&) { del(); });
        },
        [](Glissor* g, auto del) {
            return QObject::connect(g, &Glissor::MouseUp, [del](short&, short&, float&, float&) { del(); });
        },
        [](Glissor* g, auto del) { return QObject::connect(g, &Glissor::Change, [del](double&) { del(); }); },
        [](Glissor* g, auto del) { return QObject::connect(g, &Glissor::Click, del); },
    };
    for (size_t i = 0; i < std::size(events); ++i) {
        QWidget window;
        QPointer<Glissor> g = new Glissor(&window);
        g->resize(109, 30);
        window.show();
        events[i](g, [&] { delete g.data(); });
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseMove, QEvent::MouseButtonRelease})
            if (g)
                send(*g, type, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                     type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, 50);
        EXPECT_FALSE(g) << "event " << i;
    }
}

// ... and in its property-changed notification, from either side: the host's site or the PropertyChanged
// event.
TEST(GlissorMouse, AHandlerMayDeleteTheControlWhenAPropertyChanges) {
    struct DeletingSite : platform::component::ControlSite {
        QPointer<Glissor> g;
        void propertyChanged(const QString&) override { delete g.data(); }
    };
    const std::function<void(Glissor&)> setters[] = {
        [](Glissor& g) { g.setValue(3); },
        [](Glissor& g) { g.setMaxValue(20); },
        [](Glissor& g) { g.setCaption("x"); },
        [](Glissor& g) { g.setBackColor(1); },
    };
    for (bool fromSite : {true, false})
        for (const auto& set : setters) {
            DeletingSite site;
            site.g = new Glissor;
            site.g->resize(109, 30);
            site.g->show();
            if (fromSite)
                site.g->setSite(&site);
            else
                QObject::connect(site.g, &Glissor::PropertyChanged, [&] { delete site.g.data(); });
            set(*site.g);
            EXPECT_FALSE(site.g);
        }
}
