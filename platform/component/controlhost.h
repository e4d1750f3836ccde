#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>

#include "component/control.h"

// How a host creates a control by its class identifier (registered in the per-user component registry, or
// found beside the program). An unknown class or a broken library is an error the host reports and goes on
// without.
namespace platform::component {

// Creates an instance of the control class `clsid` as a child of `parent`, restoring the property set stored
// in `propertyFile` (a property store text file, or a Qt resource path; empty = a new instance). The control
// is sited on the parent (its font is the control's ambient font) and sized from the set's "_ExtentX" and
// "_ExtentY" (in hundredths of a millimetre) when present. Null, with `error` saying why, when it cannot.
QWidget* createControl(const QString& clsid, QWidget* parent, const QString& propertyFile = {},
                       QString* error = nullptr);

// Saves the property set of a control made by createControl, with its extent, to `propertyFile`: what
// createControl restores. False, with `error` saying why, for another widget, a failing key or an unwritable
// file.
bool saveControl(QWidget* control, const QString& propertyFile, QString* error = nullptr);

// The lower step: an unsited, uninitialised instance by class or programmatic identifier. When the class is
// not registered, or its registration is stale, the control libraries beside the program are registered and
// the lookup is tried once more. Null, with `error` saying why, when it cannot.
Control* createInstance(const QString& clsidOrProgId, QWidget* parent, QString* error = nullptr);

// The control interface of a widget made by createControl or createInstance; null for any other widget.
Control* controlOf(QWidget* widget);

// Where a program's control libraries lie: in a build, beside the program; once installed, in the library
// folder beside the program's (`bin/../lib/<arch>`), which is where `cmake --install` puts them.
QStringList controlLibraryFolders(const QString& programFolder);

// Registers the control libraries in the program's folders (above); returns how many.
int registerLibrariesBesideProgram();

// The host's extent keys are in hundredths of a millimetre; the host's pixels are 96 to the inch.
int himetricToPixels(int himetric);
int pixelsToHimetric(int pixels);

} // namespace platform::component
