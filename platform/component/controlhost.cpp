#include "component/controlhost.h"

namespace platform::component {

QWidget* createControl(const QString& clsid, QWidget*, const QString&, QString* error) {
    if (error)
        *error = QStringLiteral("No control library is registered for the class %1.").arg(clsid);
    return nullptr;
}

} // namespace platform::component
