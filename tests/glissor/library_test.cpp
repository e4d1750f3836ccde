// The Glissor library through the control model: its entry points, registration, and a host creating,
// restoring, driving and saving an instance by class identifier with nothing but Qt's late binding.
#include <QFileInfo>
#include <QSignalSpy>
#include <QVariant>
#include <gtest/gtest.h>

#include "component/componentregistry.h"
#include "component/controlerror.h"
#include "component/controlhost.h"
#include "component/controllibrary.h"
#include "component/propertybag.h"
#include "tempdir.h"

using namespace platform::component;

namespace {
const QString kClsid = QStringLiteral("{546BBEBE-7E8C-49A3-8450-D343FB5D9A73}");
}

TEST(GlissorLibrary, RegistersAndUnregistersItsClass) {
    auto lib = ControlLibrary::open(QStringLiteral(GLISSOR_LIBRARY));
    ASSERT_TRUE(lib);
    ASSERT_EQ(lib->registerServer(), kOk);
    const auto r = ComponentRegistry().find(QStringLiteral("GlissorControl.Glissor"));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->clsid, kClsid);
    EXPECT_EQ(QFileInfo(r->libraryPath).canonicalFilePath(), QFileInfo(GLISSOR_LIBRARY).canonicalFilePath());
    ASSERT_EQ(lib->unregisterServer(), kOk);
    EXPECT_FALSE(ComponentRegistry().find(kClsid));
}

TEST(GlissorLibrary, AHostCreatesRestoresDrivesAndSavesIt) {
    TempDir dir;
    PropertyBag stored;
    stored.write(QStringLiteral("Value"), QString("8"));
    stored.write(QStringLiteral("Caption"), QString("Gain"));
    stored.write(QStringLiteral("_ExtentX"), std::int32_t{2884}); // 109 pixels
    stored.write(QStringLiteral("_ExtentY"), std::int32_t{794});  // 30 pixels
    const QString file = dir.file("form.props");
    ASSERT_TRUE(stored.save(file));

    QWidget window;
    QString why;
    QWidget* slider = createControl(kClsid, &window, file, &why);
    ASSERT_NE(slider, nullptr) << why.toStdString();
    EXPECT_EQ(slider->size(), QSize(109, 30));
    EXPECT_EQ(slider->property("Caption").toString(), "Gain");
    window.show();
    EXPECT_EQ(slider->property("Value").toDouble(), 8);

    // A late-bound refusal never crosses Qt as an exception: it comes as the Error event.
    QSignalSpy errors(slider, SIGNAL(Error(int, QString)));
    slider->setProperty("MaxValue", 0.0);
    ASSERT_EQ(errors.count(), 1);
    EXPECT_EQ(errors[0][0].toInt(), 11);
    slider->setProperty("MaxValue", 20.0);
    slider->setProperty("Value", 12.5);

    Control* control = controlOf(slider);
    ASSERT_NE(control, nullptr);
    PropertyBag saved;
    control->writeProperties(saved);
    EXPECT_EQ(saved.read(QStringLiteral("Value")), PropertyValue(QString("12.5")));
    EXPECT_EQ(saved.read(QStringLiteral("MaxValue")), PropertyValue(QString("20")));
    EXPECT_EQ(saved.read(QStringLiteral("Caption")), PropertyValue(QString("Gain")));
    EXPECT_FALSE(saved.contains(QStringLiteral("HPicture"))); // a restored set without it has no handle
}
