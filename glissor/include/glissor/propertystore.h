#pragma once

#include <QString>
#include <QVariant>

#include "glissor/glissor_export.h"

namespace glissor {

// What the control needs of its host's property store: named, typed values read and written with a default (a
// missing key reads as the default; a value equal to its default need not be stored). Errors of the store
// pass through the control to the host unchanged.
class GLISSOR_EXPORT PropertyStore {
public:
    virtual ~PropertyStore();
    virtual QVariant read(const QString& key, const QVariant& defaultValue) = 0;
    virtual void write(const QString& key, const QVariant& value, const QVariant& defaultValue) = 0;
};

} // namespace glissor
