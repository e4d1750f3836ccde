#include "sysinfo.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include "core/settingsstore.h"

namespace glissor {

SysInfoLauncher SysInfoLauncher::system() {
    SysInfoLauncher l;
    l.findExecutable = [](const QString& name) { return QStandardPaths::findExecutable(name); };
    l.start = [](const QString& path) { return QProcess::startDetached(path, {}); };
    return l;
}

bool GetKeyValue(const QString& KeyName, const QString& SubKeyRef, QString& KeyVal) {
    KeyVal = platform::SettingsStore::read(kSysInfoApp, KeyName, SubKeyRef);
    return !KeyVal.isEmpty();
}

const QStringList& sysInfoTools() {
    static const QStringList tools{QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"),
                                   QStringLiteral("kinfocenter")};
    return tools;
}

bool StartSysInfo(const QString& title, platform::Prompts& prompts, const SysInfoLauncher& launcher) {
    QString path;
    if (GetKeyValue(kSysInfoSection, kSysInfoKey, path)) {
        // A bare program name in the store is looked up on the PATH.
        if (!QFileInfo(path).isFile() && launcher.findExecutable && !launcher.findExecutable(path).isEmpty())
            path = launcher.findExecutable(path);
    } else {
        for (const QString& tool : sysInfoTools()) {
            path = launcher.findExecutable ? launcher.findExecutable(tool) : QString();
            if (!path.isEmpty())
                break;
        }
    }
    // A configured path that names no program ends in the same message as having none at all.
    if (!path.isEmpty() && QFileInfo(path).isFile() && launcher.start && launcher.start(path))
        return true;
    prompts.message(kSysInfoUnavailable, platform::Buttons::Ok, platform::Icon::None, title);
    return false;
}

} // namespace glissor
