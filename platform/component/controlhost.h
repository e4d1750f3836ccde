#pragma once

#include <QString>
#include <QWidget>

// How a host creates a control by its class identifier (registered in the per-user component registry, or found
// beside the program). An unknown class or a broken library is an error the host reports and goes on without.
namespace platform::component {

// Creates an instance of the control class `clsid` as a child of `parent`, restoring the property set stored in
// `propertyFile` (a property store text file; empty = none). Null, with `error` saying why, when it cannot.
QWidget* createControl(const QString& clsid, QWidget* parent, const QString& propertyFile = {},
                       QString* error = nullptr);

} // namespace platform::component
