#include "component/servermodule.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <dlfcn.h>
#include <new>

#include "component/componentregistry.h"

namespace platform::component {

QString normalizedClsid(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral(
        "^\\{?([0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12})\\}?$"));
    const QString t = text.trimmed();
    const auto m = pattern.match(t);
    if (!m.hasMatch() || t.startsWith(QLatin1Char('{')) != t.endsWith(QLatin1Char('}')))
        return {};
    return QLatin1Char('{') + m.captured(1).toUpper() + QLatin1Char('}');
}

class ServerModule::ClassObject final : public ClassFactory {
public:
    ClassObject(ServerModule& module, const ServerClass& c) : m_module(module), m_class(c) {
        ++m_module.m_classObjects;
    }
    Control* createInstance(QWidget* parent) override { return m_module.create(m_class, parent); }
    void release() override {
        --m_module.m_classObjects;
        delete this;
    }

private:
    ~ClassObject() = default;
    ServerModule& m_module;
    const ServerClass& m_class;
};

ServerModule::ServerModule(std::span<const ServerClass> classes, const void* anchor)
    : m_classes(classes), m_anchor(anchor) {}

HResult ServerModule::getClassObject(const char* clsid, const char* iid, void** object) {
    if (!object)
        return kPointer;
    *object = nullptr;
    if (!clsid || !iid)
        return kPointer;
    const QString wanted = normalizedClsid(QString::fromUtf8(clsid));
    for (const ServerClass& c : m_classes) {
        if (wanted.isEmpty() || normalizedClsid(QString::fromUtf8(c.clsid)) != wanted)
            continue;
        if (normalizedClsid(QString::fromUtf8(iid)) != QLatin1String(kIidClassFactory))
            return kNoInterface;
        auto* factory = new (std::nothrow) ClassObject(*this, c);
        if (!factory)
            return kOutOfMemory;
        *object = static_cast<ClassFactory*>(factory);
        return kOk;
    }
    return kClassNotAvailable;
}

Control* ServerModule::create(const ServerClass& c, QWidget* parent) {
    Control* control = c.create(parent);
    if (!control)
        return nullptr;
    ++m_instances;
    // The widget owns the control, so its end is the instance's end, however the host ends it.
    QObject::connect(control->widget(), &QObject::destroyed, [this] { --m_instances; });
    return control;
}

HResult ServerModule::canUnloadNow() const {
    return m_instances.load() == 0 && m_classObjects.load() == 0 ? kOk : kFalse;
}

QString ServerModule::libraryPath() const {
    Dl_info info{};
    if (!dladdr(m_anchor, &info) || !info.dli_fname)
        return {};
    return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absoluteFilePath();
}

HResult ServerModule::registerServer() const {
    const QString path = libraryPath();
    if (path.isEmpty())
        return kRegisterClassFailed;
    ComponentRegistry registry;
    for (const ServerClass& c : m_classes) {
        if (!registry.add(ClassRegistration{QString::fromUtf8(c.clsid), QString::fromUtf8(c.progId),
                                            QString::fromUtf8(c.description), path}))
            return kRegisterClassFailed;
    }
    return kOk;
}

HResult ServerModule::unregisterServer() const {
    ComponentRegistry registry;
    bool ok = true;
    for (const ServerClass& c : m_classes)
        ok = registry.remove(QString::fromUtf8(c.clsid)) && ok;
    return ok ? kOk : kFail;
}

} // namespace platform::component
