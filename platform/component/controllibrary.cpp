#include "component/controllibrary.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QMap>
#include <QSet>

namespace platform::component {

struct ControlLibrary::Loaded {
    QLibrary library;
};

namespace {

// Loaded libraries by canonical path. Held strongly: unloading is freeUnused's decision alone.
QMap<QString, std::shared_ptr<ControlLibrary>>& cache() {
    static QMap<QString, std::shared_ptr<ControlLibrary>> libraries;
    return libraries;
}

} // namespace

ControlLibrary::ControlLibrary(std::unique_ptr<Loaded> loaded, const QString& path)
    : m_loaded(std::move(loaded)), m_path(path) {
    m_getClassObject = reinterpret_cast<DllGetClassObjectFn>(m_loaded->library.resolve("DllGetClassObject"));
    m_canUnloadNow = reinterpret_cast<DllCanUnloadNowFn>(m_loaded->library.resolve("DllCanUnloadNow"));
    m_registerServer = reinterpret_cast<DllRegisterServerFn>(m_loaded->library.resolve("DllRegisterServer"));
    m_unregisterServer =
        reinterpret_cast<DllUnregisterServerFn>(m_loaded->library.resolve("DllUnregisterServer"));
}

ControlLibrary::~ControlLibrary() {
    if (m_loaded->library.isLoaded())
        m_loaded->library.unload();
}

std::shared_ptr<ControlLibrary> ControlLibrary::open(const QString& path, QString* error) {
    const QFileInfo info(path);
    const QString key = info.canonicalFilePath();
    if (key.isEmpty()) {
        if (error)
            *error = QStringLiteral("the control library %1 does not exist").arg(path);
        return nullptr;
    }
    if (auto it = cache().find(key); it != cache().end())
        return *it;

    auto loaded = std::make_unique<Loaded>();
    loaded->library.setFileName(info.absoluteFilePath());
    if (!loaded->library.load()) {
        if (error)
            *error = QStringLiteral("the control library %1 does not load: %2")
                         .arg(path, loaded->library.errorString());
        return nullptr;
    }
    std::shared_ptr<ControlLibrary> lib(new ControlLibrary(std::move(loaded), info.absoluteFilePath()));
    if (!lib->m_getClassObject || !lib->m_canUnloadNow || !lib->m_registerServer ||
        !lib->m_unregisterServer) {
        if (error)
            *error =
                QStringLiteral("%1 is not a control library: it lacks the component entry points").arg(path);
        return nullptr; // unloads it again
    }
    cache().insert(key, lib);
    return lib;
}

void ControlLibrary::freeUnused() {
    for (auto it = cache().begin(); it != cache().end();) {
        if (it->use_count() == 1 && (*it)->canUnloadNow() == kOk)
            it = cache().erase(it);
        else
            ++it;
    }
}

HResult ControlLibrary::getClassObject(const QString& clsid, ClassFactory** factory) const {
    if (!factory)
        return kPointer;
    void* object = nullptr;
    const HResult hr = m_getClassObject(clsid.toUtf8().constData(), kIidClassFactory, &object);
    *factory = hr == kOk ? static_cast<ClassFactory*>(object) : nullptr;
    return hr;
}

int registerLibrariesIn(const QString& folder) {
    int count = 0;
    QSet<QString> seen;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.so")}, QDir::Files, QDir::Name);
    for (const QFileInfo& f : files) {
        const QString canonical = f.canonicalFilePath();
        if (canonical.isEmpty() || seen.contains(canonical))
            continue;
        seen.insert(canonical);
        if (auto lib = ControlLibrary::open(f.absoluteFilePath()); lib && lib->registerServer() == kOk)
            ++count;
    }
    return count;
}

} // namespace platform::component
