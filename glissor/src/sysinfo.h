#pragma once

#include <QString>
#include <functional>

#include "ui/prompts.h"

// Starting the platform's system-information tool from the about box. There is no Windows registry here: the
// configuration store is asked first (application "GlissorControl", section "SysInfo", key "Path"), then the
// PATH for a known tool. Every failure ends in one message.
namespace glissor {

inline const QString kSysInfoApp = QStringLiteral("GlissorControl");
inline const QString kSysInfoSection = QStringLiteral("SysInfo");
inline const QString kSysInfoKey = QStringLiteral("Path");
inline const QString kSysInfoUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

// The seams a test replaces: finding a program on the PATH and starting one (true when it started).
struct SysInfoLauncher {
    std::function<QString(const QString& name)> findExecutable;
    std::function<bool(const QString& path)> start;
    static SysInfoLauncher system();
};

// Reads one value of the configuration store into KeyVal; false (and KeyVal empty) when there is none.
bool GetKeyValue(const QString& KeyName, const QString& SubKeyRef, QString& KeyVal);

// The tools looked for on the PATH, best first.
const QStringList& sysInfoTools();

// Starts the tool, or tells the user (title `title`) that there is none. True when a tool was started.
bool StartSysInfo(const QString& title, platform::Prompts& prompts,
                  const SysInfoLauncher& launcher = SysInfoLauncher::system());

} // namespace glissor
