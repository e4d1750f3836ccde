// The Designer plugin as Designer and QUiLoader meet it: loaded from its file, placing a bar whose properties
// come from a form.
#include <QBuffer>
#include <QFileInfo>
#include <QPluginLoader>
#include <QUiLoader>
#include <QWidget>
#include <QXmlStreamReader>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <gtest/gtest.h>
#include <memory>

TEST(LumabandDesigner, PlacesABarWithItsPropertiesFromAForm) {
    QPluginLoader plugin(QStringLiteral(LUMABAND_DESIGNER_PLUGIN));
    auto* custom = qobject_cast<QDesignerCustomWidgetInterface*>(plugin.instance());
    ASSERT_TRUE(custom) << plugin.errorString().toStdString();
    EXPECT_EQ(custom->name(), QStringLiteral("Lumaband"));
    EXPECT_EQ(custom->includeFile(), QStringLiteral("lumaband/lumaband.h"));
    EXPECT_TRUE(custom->domXml().contains(QLatin1String("class=\"Lumaband\"")));
    // The fragment Designer places is well-formed XML.
    QXmlStreamReader xml(custom->domXml());
    while (!xml.atEnd())
        xml.readNext();
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();

    QUiLoader loader;
    loader.clearPluginPaths();
    loader.addPluginPath(QFileInfo(QStringLiteral(LUMABAND_DESIGNER_PLUGIN)).absolutePath());
    ASSERT_TRUE(loader.availableWidgets().contains(QStringLiteral("Lumaband")));

    QByteArray form = R"(<ui version="4.0"><class>Form</class>
 <widget class="QWidget" name="Form">
  <widget class="Lumaband" name="PB">
   <property name="geometry"><rect><x>24</x><y>80</y><width>185</width><height>17</height></rect></property>
   <property name="BackColor"><UInt>4210752</UInt></property>
   <property name="BorderStyle"><enum>Lumaband::D3D</enum></property>
   <property name="MousePointer"><number>2</number></property>
   <property name="EndColor"><UInt>16777215</UInt></property>
   <property name="Value"><number>40</number></property>
   <property name="ShowPercent"><bool>false</bool></property>
   <property name="SegmentSize"><double>10.000000000000000</double></property>
   <property name="SegmentWidth"><double>2.000000000000000</double></property>
  </widget>
 </widget>
</ui>)";
    QBuffer buffer(&form);
    std::unique_ptr<QWidget> w(loader.load(&buffer));
    ASSERT_TRUE(w) << loader.errorString().toStdString();
    QWidget* PB = w->findChild<QWidget*>(QStringLiteral("PB"));
    ASSERT_TRUE(PB);
    EXPECT_EQ(PB->property("BackColor").toUInt(), 0x00404040u);
    EXPECT_EQ(PB->property("BorderStyle").toInt(), 1);
    EXPECT_EQ(PB->property("MousePointer").toInt(), 2);
    EXPECT_EQ(PB->property("EndColor").toUInt(), 0x00FFFFFFu);
    EXPECT_EQ(PB->property("Value").toInt(), 40);
    EXPECT_FALSE(PB->property("ShowPercent").toBool());
    EXPECT_EQ(PB->property("SegmentSize").toDouble(), 10.0);
    EXPECT_EQ(PB->property("SegmentWidth").toDouble(), 2.0);
}
