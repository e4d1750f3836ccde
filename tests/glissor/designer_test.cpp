// Qt Designer finds the slider through its plugin, with its toolbox image.
#include <QPluginLoader>
#include <QWidget>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>
#include <gtest/gtest.h>

TEST(GlissorDesigner, ThePluginMakesSliders) {
    QPluginLoader loader(QStringLiteral(GLISSOR_DESIGNER_PLUGIN));
    QObject* instance = loader.instance();
    ASSERT_NE(instance, nullptr) << loader.errorString().toStdString();
    auto* plugin = qobject_cast<QDesignerCustomWidgetInterface*>(instance);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->name(), "Glissor");
    EXPECT_EQ(plugin->includeFile(), "glissor/glissor.h");
    EXPECT_EQ(plugin->icon().availableSizes().value(0), QSize(16, 15));
    QWidget parent;
    QWidget* slider = plugin->createWidget(&parent);
    ASSERT_NE(slider, nullptr);
    EXPECT_STREQ(slider->metaObject()->className(), "Glissor");
    EXPECT_EQ(slider->property("Caption").toString(), "Slider");
}
