#include "glissorplugin.h"

#include <QIcon>
#include <QPixmap>

#include "glissor/glissor.h"

GlissorPlugin::GlissorPlugin(QObject* parent) : QObject(parent) {}

QString GlissorPlugin::name() const {
    return QStringLiteral("Glissor");
}
QString GlissorPlugin::group() const {
    return QStringLiteral("Deckmora");
}
QString GlissorPlugin::toolTip() const {
    return QStringLiteral("A slider drawn from pictures");
}
QString GlissorPlugin::whatsThis() const {
    return QStringLiteral("A horizontal slider whose face, handle and handle mask are pictures.");
}
QString GlissorPlugin::includeFile() const {
    return QStringLiteral("glissor/glissor.h");
}
QIcon GlissorPlugin::icon() const {
    return QIcon(QPixmap::fromImage(Glissor::toolboxImage()));
}
bool GlissorPlugin::isContainer() const {
    return false;
}
QWidget* GlissorPlugin::createWidget(QWidget* parent) {
    return new Glissor(parent);
}
bool GlissorPlugin::isInitialized() const {
    return m_initialized;
}
void GlissorPlugin::initialize(QDesignerFormEditorInterface*) {
    m_initialized = true;
}
QString GlissorPlugin::domXml() const {
    return QStringLiteral("<ui language=\"c++\"><widget class=\"Glissor\" name=\"glissor\">"
                          "<property name=\"geometry\"><rect><x>0</x><y>0</y><width>320</width>"
                          "<height>240</height></rect></property></widget></ui>");
}
