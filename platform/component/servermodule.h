#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <span>

#include "component/control.h"

// The library side of the control model. A control library lists its classes and expands
// DECKMORA_CONTROL_SERVER once; that defines its four C entry points:
//
//   HResult DllGetClassObject(const char* clsid, const char* iid, void** object)
//       the class object (a ClassFactory*, iid = kIidClassFactory) of a class of the library
//   HResult DllCanUnloadNow()      kOk when no instance and no class object of the library is alive, else
//   kFalse HResult DllRegisterServer()    writes each class into the per-user component registry with the
//   library's path HResult DllUnregisterServer()  removes them again
namespace platform::component {

using HResult = std::int32_t;
inline constexpr HResult kOk = 0;
inline constexpr HResult kFalse = 1;
inline constexpr HResult kNoInterface = static_cast<HResult>(0x80004002u);
inline constexpr HResult kPointer = static_cast<HResult>(0x80004003u);
inline constexpr HResult kFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kOutOfMemory = static_cast<HResult>(0x8007000Eu);
inline constexpr HResult kClassNotAvailable = static_cast<HResult>(0x80040111u);
inline constexpr HResult kRegisterClassFailed = static_cast<HResult>(0x80040201u);

inline constexpr const char* kIidClassFactory = "{00000001-0000-0000-C000-000000000046}";

using DllGetClassObjectFn = HResult (*)(const char* clsid, const char* iid, void** object);
using DllCanUnloadNowFn = HResult (*)();
using DllRegisterServerFn = HResult (*)();
using DllUnregisterServerFn = HResult (*)();

// One class a library serves.
struct ServerClass {
    const char* clsid;       // "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
    const char* progId;      // "Library.Class"
    const char* description; // what registry listings show
    Control* (*create)(QWidget* parent);
};

// A class identifier in its one spelling: upper case, in braces. Empty when the text is not one.
QString normalizedClsid(const QString& text);

class ServerModule {
public:
    // `anchor` is any address inside the library; it tells DllRegisterServer which file to register.
    ServerModule(std::span<const ServerClass> classes, const void* anchor);
    ServerModule(const ServerModule&) = delete;
    ServerModule& operator=(const ServerModule&) = delete;

    HResult getClassObject(const char* clsid, const char* iid, void** object);
    HResult canUnloadNow() const;
    HResult registerServer() const;
    HResult unregisterServer() const;

    int liveInstances() const { return m_instances.load(); }
    int liveClassObjects() const { return m_classObjects.load(); }
    QString libraryPath() const;

private:
    class ClassObject;
    Control* create(const ServerClass& c, QWidget* parent);

    std::span<const ServerClass> m_classes;
    const void* m_anchor;
    std::atomic<int> m_instances{0};
    std::atomic<int> m_classObjects{0};
};

} // namespace platform::component

#define DECKMORA_ENTRY_POINT extern "C" __attribute__((visibility("default")))

// Defines the four entry points of a control library serving `classes` (an array of ServerClass).
#define DECKMORA_CONTROL_SERVER(classes)                                                                     \
    static ::platform::component::ServerModule& deckmoraServerModule() {                                     \
        static ::platform::component::ServerModule module(                                                   \
            classes, reinterpret_cast<const void*>(&deckmoraServerModule));                                  \
        return module;                                                                                       \
    }                                                                                                        \
    DECKMORA_ENTRY_POINT ::platform::component::HResult DllGetClassObject(const char* clsid,                 \
                                                                          const char* iid, void** object) {  \
        return deckmoraServerModule().getClassObject(clsid, iid, object);                                    \
    }                                                                                                        \
    DECKMORA_ENTRY_POINT ::platform::component::HResult DllCanUnloadNow() {                                  \
        return deckmoraServerModule().canUnloadNow();                                                        \
    }                                                                                                        \
    DECKMORA_ENTRY_POINT ::platform::component::HResult DllRegisterServer() {                                \
        return deckmoraServerModule().registerServer();                                                      \
    }                                                                                                        \
    DECKMORA_ENTRY_POINT ::platform::component::HResult DllUnregisterServer() {                              \
        return deckmoraServerModule().unregisterServer();                                                    \
    }
