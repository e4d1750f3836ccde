#pragma once

#include <QString>
#include <memory>

#include "component/servermodule.h"

// The host side of a control library: the file loaded once and its four entry points. A library stays loaded
// while the program runs, unless freeUnused() finds that it answers DllCanUnloadNow with yes.
namespace platform::component {

class ControlLibrary {
public:
    // The loaded library at `path`; null, with `error` saying why, when the file does not load or lacks any
    // of the four entry points. The same file opened twice gives the same object.
    static std::shared_ptr<ControlLibrary> open(const QString& path, QString* error = nullptr);
    // Unloads the libraries that answer DllCanUnloadNow with yes and that no caller holds any more.
    static void freeUnused();

    ~ControlLibrary();
    ControlLibrary(const ControlLibrary&) = delete;
    ControlLibrary& operator=(const ControlLibrary&) = delete;

    QString path() const { return m_path; }

    HResult getClassObject(const QString& clsid, ClassFactory** factory) const;
    HResult canUnloadNow() const { return m_canUnloadNow(); }
    HResult registerServer() const { return m_registerServer(); }
    HResult unregisterServer() const { return m_unregisterServer(); }

private:
    struct Loaded;
    explicit ControlLibrary(std::unique_ptr<Loaded> loaded, const QString& path);

    std::unique_ptr<Loaded> m_loaded;
    QString m_path;
    DllGetClassObjectFn m_getClassObject = nullptr;
    DllCanUnloadNowFn m_canUnloadNow = nullptr;
    DllRegisterServerFn m_registerServer = nullptr;
    DllUnregisterServerFn m_unregisterServer = nullptr;
};

// Registers every control library in `folder` (files "*.so"; other shared libraries are left alone). Returns
// the number of libraries registered.
int registerLibrariesIn(const QString& folder);

} // namespace platform::component
