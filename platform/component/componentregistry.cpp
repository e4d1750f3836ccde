#include "component/componentregistry.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include "component/servermodule.h"

namespace platform::component {

namespace {

const QString kClasses = QStringLiteral("Classes");
const QString kProgIds = QStringLiteral("ProgIDs");

// QSettings keys are case-sensitive on this platform; programmatic identifiers are not.
QString progIdKey(const QString& progId) {
    return kProgIds + QLatin1Char('/') + progId.toLower();
}
QString classGroup(const QString& clsid) {
    return kClasses + QLatin1Char('/') + clsid;
}

} // namespace

ComponentRegistry::ComponentRegistry() : m_path(userFilePath()) {}

ComponentRegistry::ComponentRegistry(const QString& filePath) : m_path(filePath) {}

QString ComponentRegistry::userFilePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/olvane/components.ini");
}

bool ComponentRegistry::add(const ClassRegistration& r) {
    const QString clsid = normalizedClsid(r.clsid);
    if (clsid.isEmpty())
        return false;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSettings s(m_path, QSettings::IniFormat);
    // A class that changes its programmatic identifier must not leave the old one pointing at it.
    const QString oldProgId = s.value(classGroup(clsid) + QStringLiteral("/ProgID")).toString();
    if (!oldProgId.isEmpty())
        s.remove(progIdKey(oldProgId));
    s.beginGroup(classGroup(clsid));
    s.setValue(QStringLiteral("ProgID"), r.progId);
    s.setValue(QStringLiteral("Description"), r.description);
    s.setValue(QStringLiteral("Library"), r.libraryPath);
    s.endGroup();
    if (!r.progId.isEmpty())
        s.setValue(progIdKey(r.progId), clsid);
    s.sync();
    return s.status() == QSettings::NoError;
}

bool ComponentRegistry::remove(const QString& clsid) {
    const QString id = normalizedClsid(clsid);
    if (id.isEmpty())
        return true;
    QSettings s(m_path, QSettings::IniFormat);
    const QString progId = s.value(classGroup(id) + QStringLiteral("/ProgID")).toString();
    if (!progId.isEmpty() && s.value(progIdKey(progId)).toString() == id)
        s.remove(progIdKey(progId));
    s.remove(classGroup(id));
    s.sync();
    return s.status() == QSettings::NoError;
}

std::optional<ClassRegistration> ComponentRegistry::find(const QString& clsidOrProgId) const {
    QSettings s(m_path, QSettings::IniFormat);
    QString clsid = normalizedClsid(clsidOrProgId);
    if (clsid.isEmpty())
        clsid = s.value(progIdKey(clsidOrProgId)).toString();
    if (clsid.isEmpty())
        return std::nullopt;
    s.beginGroup(classGroup(clsid));
    if (!s.contains(QStringLiteral("Library")))
        return std::nullopt;
    return ClassRegistration{clsid, s.value(QStringLiteral("ProgID")).toString(),
                             s.value(QStringLiteral("Description")).toString(),
                             s.value(QStringLiteral("Library")).toString()};
}

QList<ClassRegistration> ComponentRegistry::classes() const {
    QList<ClassRegistration> out;
    QStringList ids;
    {
        QSettings s(m_path, QSettings::IniFormat);
        s.beginGroup(kClasses);
        ids = s.childGroups();
    }
    for (const QString& id : ids) {
        if (auto r = find(id))
            out.append(*r);
    }
    return out;
}

} // namespace platform::component
