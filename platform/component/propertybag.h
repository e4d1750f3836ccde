#pragma once

#include <QFont>
#include <QImage>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>
#include <variant>

// The property store: the host's set of a control's design-time properties, as named, typed values. Keys are
// matched without regard to case and keep the spelling of their first write; values keep their order of
// writing, which is the order a saved file lists them in.
namespace platform::component {

// A colour value (0x00BBGGRR, or a system colour with the high bit set); a type of its own so that a colour
// and a 32-bit integer with the same bits are different values.
struct Colour {
    std::uint32_t value = 0;
    friend bool operator==(const Colour&, const Colour&) = default;
};

// A font object: what a control stores of a font.
struct Font {
    QString name;
    double size = 8.25; // points
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikethrough = false;

    QFont toQFont() const;
    static Font fromQFont(const QFont& f);
    friend bool operator==(const Font&, const Font&) = default;
};

// A picture object: a pixel image, or none (a null image).
struct Picture {
    QImage image;

    bool isNone() const { return image.isNull(); }
    // Two pictures are equal when both are none or their pixels and sizes are the same.
    friend bool operator==(const Picture& a, const Picture& b);
};

// std::monostate is "no value": what a missing key without a default reads as.
using PropertyValue = std::variant<std::monostate, std::int16_t, std::int32_t, bool, QString, float, double,
                                   Colour, Font, Picture>;

template <class T>
concept StoredType =
    std::is_same_v<T, std::int16_t> || std::is_same_v<T, std::int32_t> || std::is_same_v<T, bool> ||
    std::is_same_v<T, QString> || std::is_same_v<T, float> || std::is_same_v<T, double> ||
    std::is_same_v<T, Colour> || std::is_same_v<T, Font> || std::is_same_v<T, Picture>;

enum class PropertyType { Empty, Int16, Int32, Bool, Text, Float, Double, Colour, Font, Picture };

inline PropertyType typeOf(const PropertyValue& v) {
    return static_cast<PropertyType>(v.index());
}
// The type tag of the text format ("i16", "colour", ...).
QString typeName(PropertyType t);

// Conversions a control uses when it reads a key as a type other than the stored one, with the platform's
// rules: numbers and Booleans convert into each other (True is -1), text converts when it reads as a number
// or Boolean (strict), numbers are rounded half to even and range-checked. Anything else fails with a
// ControlError of kind TypeMismatch or Overflow.
std::int16_t toInt16(const PropertyValue& v);
std::int32_t toInt32(const PropertyValue& v);
bool toBool(const PropertyValue& v);
QString toText(const PropertyValue& v); // numbers as "." decimal text, Booleans as "True"/"False"
float toFloat(const PropertyValue& v);
double toDouble(const PropertyValue& v);
Colour toColour(const PropertyValue& v);
Font toFont(const PropertyValue& v);
Picture toPicture(const PropertyValue& v);

class PropertyBag {
public:
    struct Entry {
        QString key;
        PropertyValue value;
    };

    // The stored value of `key`, or `def` when the key is absent.
    PropertyValue read(const QString& key, const PropertyValue& def = {}) const;
    // The stored value converted to the type of `def` (ControlError on a failed conversion), or `def` when
    // absent.
    template <StoredType T> T read(const QString& key, const T& def) const;

    // Stores `value` under `key`, unless it equals `def` (same type and same value): then the key is removed,
    // so a saved set holds only what differs from its defaults.
    void write(const QString& key, const PropertyValue& value, const PropertyValue& def = {});

    bool contains(const QString& key) const;
    void remove(const QString& key);
    void clear();
    bool isEmpty() const { return m_entries.isEmpty(); }
    int size() const { return static_cast<int>(m_entries.size()); }
    const QList<Entry>& entries() const { return m_entries; }

    // The text format: one "key = type value" line per entry, "#" comment lines and blank lines ignored.
    QString toText() const;
    static std::optional<PropertyBag> fromText(const QString& text, QString* error = nullptr);

    // Files hold the text format in UTF-8; Qt resource paths (":/...") can be loaded.
    static std::optional<PropertyBag> load(const QString& path, QString* error = nullptr);
    bool save(const QString& path, QString* error = nullptr) const;

    friend bool operator==(const PropertyBag& a, const PropertyBag& b);

private:
    int indexOf(const QString& key) const;

    QList<Entry> m_entries;
};

template <StoredType T> T PropertyBag::read(const QString& key, const T& def) const {
    const int i = indexOf(key);
    if (i < 0)
        return def;
    const PropertyValue& v = m_entries[i].value;
    if constexpr (std::is_same_v<T, std::int16_t>)
        return ::platform::component::toInt16(v);
    else if constexpr (std::is_same_v<T, std::int32_t>)
        return ::platform::component::toInt32(v);
    else if constexpr (std::is_same_v<T, bool>)
        return ::platform::component::toBool(v);
    else if constexpr (std::is_same_v<T, QString>)
        return ::platform::component::toText(v);
    else if constexpr (std::is_same_v<T, float>)
        return ::platform::component::toFloat(v);
    else if constexpr (std::is_same_v<T, double>)
        return ::platform::component::toDouble(v);
    else if constexpr (std::is_same_v<T, Colour>)
        return ::platform::component::toColour(v);
    else if constexpr (std::is_same_v<T, Font>)
        return ::platform::component::toFont(v);
    else
        return ::platform::component::toPicture(v);
}

} // namespace platform::component
