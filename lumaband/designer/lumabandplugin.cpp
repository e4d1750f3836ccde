#include "lumabandplugin.h"

#include <QIcon>

#include "lumaband/lumaband.h"
#include "lumaband/lumabandinterface.h"

LumabandPlugin::LumabandPlugin(QObject* parent) : QObject(parent) {}

QString LumabandPlugin::name() const {
    return QStringLiteral("Lumaband");
}
QString LumabandPlugin::group() const {
    return QStringLiteral("Deckmora");
}
QString LumabandPlugin::toolTip() const {
    return QStringLiteral("Gradient progress bar");
}
QString LumabandPlugin::whatsThis() const {
    return QStringLiteral(
        "A horizontal progress bar painted as a colour gradient, optionally in segments and with "
        "its percentage.");
}
QString LumabandPlugin::includeFile() const {
    return QStringLiteral("lumaband/lumaband.h");
}
QIcon LumabandPlugin::icon() const {
    return {};
}
bool LumabandPlugin::isContainer() const {
    return false;
}

// A placed bar is a new instance as code makes it, so a form built by uic looks as it did in Designer.
QWidget* LumabandPlugin::createWidget(QWidget* parent) {
    return new Lumaband(parent);
}

bool LumabandPlugin::isInitialized() const {
    return m_initialized;
}
void LumabandPlugin::initialize(QDesignerFormEditorInterface*) {
    m_initialized = true;
}

namespace {
// The element of a custom widget's Designer entry that holds the tooltips of its properties, in Designer's
// own spelling.
const QString kPropertyTooltips = QStringLiteral("property") + QStringLiteral("specifications");
} // namespace

// The members' descriptions are Designer's tooltips in its property editor.
QString LumabandPlugin::domXml() const {
    QString tooltips;
    for (const auto& m : lumaband::kMembers)
        if (!m.method && *m.description)
            tooltips += QStringLiteral("   <tooltip name=\"%1\">%2</tooltip>\n")
                            .arg(QLatin1String(m.name), QString::fromLatin1(m.description).toHtmlEscaped());
    return QStringLiteral("<ui language=\"c++\">\n"
                          " <widget class=\"Lumaband\" name=\"lumaband\">\n"
                          "  <property name=\"geometry\"><rect><x>0</x><y>0</y><width>185</width>"
                          "<height>17</height></rect></property>\n"
                          " </widget>\n"
                          " <customwidgets>\n"
                          "  <customwidget>\n"
                          "   <class>Lumaband</class>\n"
                          "   <") +
           kPropertyTooltips + QStringLiteral(">\n") + tooltips + QStringLiteral("   </") +
           kPropertyTooltips +
           QStringLiteral(">\n"
                          "  </customwidget>\n"
                          " </customwidgets>\n"
                          "</ui>\n");
}
