#pragma once

#include <QString>

namespace platform {

// The per-user settings store, addressed by application, section and key. One INI file per application under
// the user's configuration folder (XDG_CONFIG_HOME, or ~/.config), in its folder "olvane".
class SettingsStore {
public:
    // Reading a missing value yields the empty string.
    static QString read(const QString& app, const QString& section, const QString& key);
    // False when the value could not be written to disk (a read-only folder, a full disk).
    static bool write(const QString& app, const QString& section, const QString& key, const QString& value);
    static QString filePath(const QString& app);
};

} // namespace platform
