#include <QApplication>

#include "component/control.h"

namespace platform::component {

ControlSite::~ControlSite() = default;

QFont ControlSite::ambientFont() const {
    return QApplication::font();
}

void ControlSite::propertyChanged(const QString&) {}

Prompts& ControlSite::prompts() {
    return platform::prompts();
}

} // namespace platform::component
