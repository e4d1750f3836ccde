#include "lumabandplugin.h"

#include <QFile>
#include <QIcon>

#include "lumaband/lumaband.h"

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

// The form fragment Designer places: a bar of the size the main window gives it.
QString LumabandPlugin::domXml() const {
    QFile fragment(QStringLiteral(":/lumaband/designer/lumabandwidget.xml"));
    if (!fragment.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(fragment.readAll());
}
