#include "core/settingsstore.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace platform {

QString SettingsStore::filePath(const QString& app) {
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return base + QStringLiteral("/olvane/") + app + QStringLiteral(".ini");
}

QString SettingsStore::read(const QString& app, const QString& section, const QString& key) {
    QSettings s(filePath(app), QSettings::IniFormat);
    return s.value(section + QLatin1Char('/') + key).toString();
}

bool SettingsStore::write(const QString& app, const QString& section, const QString& key,
                          const QString& value) {
    const QString path = filePath(app);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSettings s(path, QSettings::IniFormat);
    s.setValue(section + QLatin1Char('/') + key, value);
    s.sync();
    return s.status() == QSettings::NoError;
}

} // namespace platform
