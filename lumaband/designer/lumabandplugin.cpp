#include "lumabandplugin.h"

#include <QFile>
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

// The members' descriptions are Designer's tooltips in its property editor.
QString LumabandPlugin::domXml() const {
    QString tooltips;
    for (const auto& m : lumaband::kMembers)
        if (!m.method && *m.description)
            tooltips += QStringLiteral("   <tooltip name=\"%1\">%2</tooltip>\n")
                            .arg(QLatin1String(m.name), QString::fromLatin1(m.description).toHtmlEscaped());
    // The form fragment Designer places, with a tooltip line per member in its slot.
    QFile fragment(QStringLiteral(":/lumaband/designer/lumabandwidget.xml"));
    if (!fragment.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(fragment.readAll()).arg(tooltips);
}
