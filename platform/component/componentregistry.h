#pragma once

#include <QList>
#include <QString>
#include <optional>

// The per-user component registry: which library serves which control class. An INI file under the user's
// configuration folder (XDG_CONFIG_HOME, or ~/.config), beside the settings store's files.
namespace platform::component {

struct ClassRegistration {
    QString clsid; // normalised: upper case, in braces
    QString progId;
    QString description;
    QString libraryPath;
};

class ComponentRegistry {
public:
    // The user's registry.
    ComponentRegistry();
    explicit ComponentRegistry(const QString& filePath);

    static QString userFilePath();
    QString filePath() const { return m_path; }

    // Adds or replaces the class; false when the class identifier is malformed or the file cannot be written.
    bool add(const ClassRegistration& r);
    // Removes the class and its programmatic identifier; false when the file cannot be written.
    bool remove(const QString& clsid);
    // By class identifier (any letter case, braces optional) or by programmatic identifier (any letter case).
    std::optional<ClassRegistration> find(const QString& clsidOrProgId) const;
    QList<ClassRegistration> classes() const;

private:
    QString m_path;
};

} // namespace platform::component
