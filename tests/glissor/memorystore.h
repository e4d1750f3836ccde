#pragma once

#include <QMap>
#include <QStringList>
#include <QVariant>

#include "glissor/propertystore.h"

// A property store in memory that remembers which keys were read and written, in order, and with which
// defaults.
class MemoryStore : public glissor::PropertyStore {
public:
    struct Written {
        QString key;
        QVariant value;
        QVariant defaultValue;
    };

    QVariant read(const QString& key, const QVariant& defaultValue) override {
        reads << key;
        readDefaults[key] = defaultValue;
        return values.contains(key) ? values.value(key) : defaultValue;
    }
    void write(const QString& key, const QVariant& value, const QVariant& defaultValue) override {
        writes.push_back({key, value, defaultValue});
        if (value != defaultValue)
            values[key] = value;
        else
            values.remove(key);
    }
    QStringList writtenKeys() const {
        QStringList keys;
        for (const auto& w : writes)
            keys << w.key;
        return keys;
    }

    QMap<QString, QVariant> values;
    QStringList reads;
    QMap<QString, QVariant> readDefaults;
    std::vector<Written> writes;
};
