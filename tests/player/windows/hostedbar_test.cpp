// Lumaband as a host meets it: by class identifier, from the library beside the program, with a saved set.
#include <QCoreApplication>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <memory>

#include "component/componentregistry.h"
#include "component/controlhost.h"
#include "component/controllibrary.h"
#include "component/propertybag.h"
#include "lumaband/lumabandinterface.h"

using namespace platform::component;

TEST(LumabandHosting, TheMainWindowsBarComesUpFromAFreshBuild) {
    // The test program lies beside the library, as the player does; nothing is registered yet.
    ComponentRegistry registry;
    registry.remove(QString::fromLatin1(lumaband::kClassId));
    ASSERT_FALSE(registry.find(QString::fromLatin1(lumaband::kClassId)));

    QWidget frmMain;
    QString error;
    std::unique_ptr<QWidget> PB(
        createControl(QString::fromLatin1(lumaband::kClassId), &frmMain, QStringLiteral(PB_PROPS), &error));
    ASSERT_TRUE(PB) << error.toStdString();
    EXPECT_EQ(PB->parentWidget(), &frmMain);
    EXPECT_EQ(PB->property("BackColor").toUInt(), 0x00404040u);
    EXPECT_EQ(PB->property("EndColor").toUInt(), 0x00FFFFFFu);
    EXPECT_FALSE(PB->property("ShowPercent").toBool());
    EXPECT_EQ(PB->property("Value").toInt(), 0);
    EXPECT_EQ(PB->property("Max").toInt(), 100);
    EXPECT_EQ(PB->size(), QSize(185, 17)); // 2775 x 255 twips
    const QImage shot = PB->grab().toImage();
    EXPECT_EQ(shot.pixelColor(92, 8), QColor(0x40, 0x40, 0x40)); // Value equals Min: background only

    const auto entry = registry.find(QStringLiteral("project1.lumaband"));
    ASSERT_TRUE(entry);
    EXPECT_EQ(QFileInfo(entry->libraryPath).absolutePath(), QCoreApplication::applicationDirPath());

    // Saving what was restored gives the same set back, beside the host's extent keys.
    PropertyBag saved;
    controlOf(PB.get())->writeProperties(saved);
    const auto shipped = PropertyBag::load(QStringLiteral(PB_PROPS));
    ASSERT_TRUE(shipped);
    for (const auto& e : saved.entries())
        EXPECT_TRUE(shipped->read(e.key) == e.value) << e.key.toStdString();
    EXPECT_EQ(saved.size(), 3);

    auto library = ControlLibrary::open(entry->libraryPath);
    ASSERT_TRUE(library);
    EXPECT_EQ(library->canUnloadNow(), kFalse);
    PB.reset();
    EXPECT_EQ(library->canUnloadNow(), kOk);
}
