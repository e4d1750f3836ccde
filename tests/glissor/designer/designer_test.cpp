// Qt Designer finds the slider through its plugin, with its toolbox image; a form made with it places sliders
// with the properties it sets.
#include <QBuffer>
#include <QFileInfo>
#include <QPluginLoader>
#include <QUiLoader>
#include <QWidget>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <gtest/gtest.h>
#include <memory>

#include "tempdir.h"

TEST(GlissorDesigner, AFormPlacesASliderWithItsProperties) {
    QPluginLoader plugin(QStringLiteral(GLISSOR_DESIGNER_PLUGIN));
    auto* custom = qobject_cast<QDesignerCustomWidgetInterface*>(plugin.instance());
    ASSERT_NE(custom, nullptr) << plugin.errorString().toStdString();
    EXPECT_EQ(custom->name(), "Glissor");
    EXPECT_EQ(custom->includeFile(), "glissor/glissor.h");
    EXPECT_EQ(custom->icon().availableSizes().value(0), QSize(16, 15));

    TempDir dir;
    QImage face(40, 10, QImage::Format_RGB32);
    face.fill(qRgb(0, 128, 0));
    const QString facePath = dir.file("face.png");
    ASSERT_TRUE(face.save(facePath));

    QUiLoader loader;
    loader.clearPluginPaths();
    loader.addPluginPath(QFileInfo(QStringLiteral(GLISSOR_DESIGNER_PLUGIN)).absolutePath());
    ASSERT_TRUE(loader.availableWidgets().contains(QStringLiteral("Glissor")));
    QByteArray form = QStringLiteral(R"(<ui version="4.0"><class>Form</class>
 <widget class="QWidget" name="Form">
  <widget class="Glissor" name="Vol">
   <property name="geometry"><rect><x>8</x><y>8</y><width>109</width><height>30</height></rect></property>
   <property name="BackColor"><UInt>4210752</UInt></property>
   <property name="Caption"><string>Volume</string></property>
   <property name="StrechPicture"><bool>false</bool></property>
   <property name="MaxValue"><double>20.000000000000000</double></property>
   <property name="Value"><double>12.500000000000000</double></property>
   <property name="Picture"><pixmap>%1</pixmap></property>
  </widget>
 </widget>
</ui>)")
                          .arg(facePath)
                          .toUtf8();
    QBuffer buffer(&form);
    std::unique_ptr<QWidget> w(loader.load(&buffer));
    ASSERT_TRUE(w) << loader.errorString().toStdString();
    QWidget* Vol = w->findChild<QWidget*>(QStringLiteral("Vol"));
    ASSERT_TRUE(Vol);
    EXPECT_STREQ(Vol->metaObject()->className(), "Glissor");
    EXPECT_EQ(Vol->property("BackColor").toUInt(), 0x00404040u);
    EXPECT_EQ(Vol->property("Caption").toString(), "Volume");
    EXPECT_FALSE(Vol->property("StrechPicture").toBool());
    EXPECT_EQ(Vol->property("MaxValue").toDouble(), 20);
    EXPECT_EQ(Vol->property("Value").toDouble(), 12.5);
    EXPECT_EQ(Vol->property("Picture").value<QPixmap>().size(), QSize(40, 10));
    EXPECT_EQ(Vol->property("HPicture").value<QPixmap>().size(), QSize(9, 21)); // the built-in thumb
}
