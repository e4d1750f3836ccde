#include "component/controlhost.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QVariant>
#include <cmath>

#include "component/componentregistry.h"
#include "component/controlerror.h"
#include "component/controllibrary.h"
#include "component/propertybag.h"
#include "component/servermodule.h"

namespace platform::component {

namespace {

const char* const kControlProperty = "_deckmora_control";

// The site a window offers the controls placed on it.
class WindowSite final : public ControlSite {
public:
    explicit WindowSite(QWidget* window) : m_window(window) {}
    QFont ambientFont() const override { return m_window ? m_window->font() : QApplication::font(); }

private:
    QWidget* m_window;
};

Control* instantiate(const ClassRegistration& r, QWidget* parent, QString* why) {
    auto library = ControlLibrary::open(r.libraryPath, why);
    if (!library)
        return nullptr;
    ClassFactory* factory = nullptr;
    const HResult hr = library->getClassObject(r.clsid, &factory);
    if (hr != kOk || !factory) {
        *why = QStringLiteral("%1 does not serve the class %2 (error 0x%3)")
                   .arg(r.libraryPath, r.clsid)
                   .arg(static_cast<quint32>(hr), 8, 16, QLatin1Char('0'));
        return nullptr;
    }
    Control* control = factory->createInstance(parent);
    factory->release();
    if (!control)
        *why = QStringLiteral("%1 could not make an instance of the class %2").arg(r.libraryPath, r.clsid);
    return control;
}

// When the registry cannot hold a class (a configuration folder that takes no writes, a folder in the
// registry file's place), the libraries beside the program are asked for it directly, so a read-only home
// does not cost the program its controls.
Control* instantiateBesideProgram(const QString& clsidOrProgId, QWidget* parent) {
    const QString clsid = normalizedClsid(clsidOrProgId);
    if (clsid.isEmpty())
        return nullptr;
    for (const QString& folder : controlLibraryFolders(QCoreApplication::applicationDirPath())) {
        const QFileInfoList files =
            QDir(folder).entryInfoList({QStringLiteral("*.so")}, QDir::Files, QDir::Name);
        for (const QFileInfo& f : files) {
            QString ignored;
            if (Control* control = instantiate({clsid, {}, {}, f.absoluteFilePath()}, parent, &ignored))
                return control;
        }
    }
    return nullptr;
}

} // namespace

int himetricToPixels(int himetric) {
    return static_cast<int>(std::lround(himetric * 96.0 / 2540.0));
}
int pixelsToHimetric(int pixels) {
    return static_cast<int>(std::lround(pixels * 2540.0 / 96.0));
}

QStringList controlLibraryFolders(const QString& programFolder) {
    QStringList folders{QDir::cleanPath(programFolder)};
    const QString installed =
        QDir::cleanPath(programFolder + QStringLiteral("/" DECKMORA_LIBDIR_FROM_BINDIR));
    if (installed != folders.front() && QFileInfo(installed).isDir())
        folders << installed;
    return folders;
}

int registerLibrariesBesideProgram() {
    int registered = 0;
    for (const QString& folder : controlLibraryFolders(QCoreApplication::applicationDirPath()))
        registered += registerLibrariesIn(folder);
    return registered;
}

Control* createInstance(const QString& clsidOrProgId, QWidget* parent, QString* error) {
    QString why;
    ComponentRegistry registry;
    const auto before = registry.find(clsidOrProgId);
    Control* control = before ? instantiate(*before, parent, &why) : nullptr;
    if (!control) {
        // A fresh build has registered nothing yet, and a registration may point at a library that moved.
        registerLibrariesBesideProgram();
        const auto after = registry.find(clsidOrProgId);
        if (after && (!before || after->libraryPath != before->libraryPath))
            control = instantiate(*after, parent, &why);
        else if (!after) {
            control = instantiateBesideProgram(clsidOrProgId, parent);
            if (!control)
                why = QStringLiteral("No control library is registered for the class %1.").arg(clsidOrProgId);
        }
    }
    if (!control) {
        if (error)
            *error = why;
        return nullptr;
    }
    control->widget()->setProperty(kControlProperty, QVariant::fromValue(static_cast<void*>(control)));
    return control;
}

Control* controlOf(QWidget* widget) {
    return widget ? static_cast<Control*>(widget->property(kControlProperty).value<void*>()) : nullptr;
}

QWidget* createControl(const QString& clsid, QWidget* parent, const QString& propertyFile, QString* error) {
    auto fail = [error](const QString& why) -> QWidget* {
        if (error)
            *error = why;
        return nullptr;
    };
    std::optional<PropertyBag> bag;
    if (!propertyFile.isEmpty()) {
        QString why;
        bag = PropertyBag::load(propertyFile, &why);
        if (!bag)
            return fail(
                QStringLiteral("The property set of the class %1 cannot be read: %2").arg(clsid, why));
    }

    QString why;
    Control* control = createInstance(clsid, parent, &why);
    if (!control)
        return fail(why);
    QWidget* widget = control->widget();
    auto* site = new WindowSite(parent);
    control->setSite(site);
    QObject::connect(widget, &QObject::destroyed, [site] { delete site; });

    try {
        if (bag) {
            control->readProperties(*bag);
            const int w = bag->read(QStringLiteral("_ExtentX"), std::int32_t{-1});
            const int h = bag->read(QStringLiteral("_ExtentY"), std::int32_t{-1});
            if (w >= 0 && h >= 0)
                widget->resize(himetricToPixels(w), himetricToPixels(h));
        } else {
            control->initNew();
        }
    } catch (const ControlError& e) {
        delete widget;
        return fail(QStringLiteral("The property set of the class %1 cannot be restored: %2")
                        .arg(clsid, e.message()));
    }
    return widget;
}

bool saveControl(QWidget* widget, const QString& propertyFile, QString* error) {
    Control* control = controlOf(widget);
    if (!control) {
        if (error)
            *error = QStringLiteral("The widget is not a control.");
        return false;
    }
    PropertyBag bag;
    bag.write(QStringLiteral("_ExtentX"), std::int32_t{pixelsToHimetric(widget->width())});
    bag.write(QStringLiteral("_ExtentY"), std::int32_t{pixelsToHimetric(widget->height())});
    try {
        control->writeProperties(bag);
    } catch (const ControlError& e) {
        if (error)
            *error = e.message();
        return false;
    }
    return bag.save(propertyFile, error);
}

} // namespace platform::component
