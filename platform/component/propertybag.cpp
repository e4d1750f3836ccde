#include "component/propertybag.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <charconv>
#include <cmath>
#include <limits>

#include "component/controlerror.h"
#include "core/colours.h"
#include "core/numbertext.h"
#include "core/rounding.h"

namespace platform::component {

namespace {

constexpr const char* kTypeNames[] = {"empty", "i16", "i32",    "bool", "text",
                                      "f32",   "f64", "colour", "font", "picture"};

[[noreturn]] void mismatch(const PropertyValue& v) {
    throw ControlError(ErrorKind::TypeMismatch,
                       QStringLiteral("cannot convert a value of type %1").arg(typeName(typeOf(v))));
}

// A number of any stored type as a double; text must read as a number as a whole.
double numberOf(const PropertyValue& v) {
    return std::visit(
        [&v](const auto& x) -> double {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return 0;
            else if constexpr (std::is_same_v<T, bool>)
                return x ? -1 : 0;
            else if constexpr (std::is_same_v<T, std::int16_t> || std::is_same_v<T, std::int32_t> ||
                               std::is_same_v<T, float> || std::is_same_v<T, double>)
                return static_cast<double>(x);
            else if constexpr (std::is_same_v<T, Colour>)
                return static_cast<double>(static_cast<std::int32_t>(x.value));
            else if constexpr (std::is_same_v<T, QString>) {
                if (auto n = textToNumberStrict(x))
                    return *n;
                mismatch(v);
            } else
                mismatch(v);
        },
        v);
}

template <class T> QString shortestText(T x) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, x);
    return QString::fromLatin1(buf, static_cast<int>(r.ptr - buf));
}

template <class T> std::optional<T> parseFloat(const QString& text) {
    const QByteArray b = text.toLatin1();
    T x{};
    auto r = std::from_chars(b.constData(), b.constData() + b.size(), x);
    if (r.ec != std::errc() || r.ptr != b.constData() + b.size() || b.isEmpty())
        return std::nullopt;
    return x;
}

bool isPlainKey(const QString& key) {
    if (key.isEmpty())
        return false;
    for (QChar c : key) {
        if (!(c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('.') ||
              c == QLatin1Char('-')) ||
            c.unicode() > 0x7F)
            return false;
    }
    return true;
}

QString quote(const QString& s) {
    QString out = QStringLiteral("\"");
    for (QChar c : s) {
        switch (c.unicode()) {
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7F)
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

// Reads a quoted text at `pos` (on the opening quote); leaves `pos` after the closing quote.
std::optional<QString> unquote(const QString& s, qsizetype& pos) {
    if (pos >= s.size() || s[pos] != QLatin1Char('"'))
        return std::nullopt;
    QString out;
    for (++pos; pos < s.size(); ++pos) {
        const QChar c = s[pos];
        if (c == QLatin1Char('"')) {
            ++pos;
            return out;
        }
        if (c != QLatin1Char('\\')) {
            out += c;
            continue;
        }
        if (++pos >= s.size())
            return std::nullopt;
        switch (s[pos].unicode()) {
        case '\\':
            out += QLatin1Char('\\');
            break;
        case '"':
            out += QLatin1Char('"');
            break;
        case 'n':
            out += QLatin1Char('\n');
            break;
        case 'r':
            out += QLatin1Char('\r');
            break;
        case 't':
            out += QLatin1Char('\t');
            break;
        case 'x': {
            bool ok = false;
            const int code = s.mid(pos + 1, 2).toInt(&ok, 16);
            if (!ok || s.mid(pos + 1, 2).size() != 2)
                return std::nullopt;
            out += QChar(code);
            pos += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return std::nullopt;
}

QString fontText(const Font& f) {
    QString s = quote(f.name) + QLatin1Char(' ') + shortestText(f.size);
    if (f.bold)
        s += QStringLiteral(" bold");
    if (f.italic)
        s += QStringLiteral(" italic");
    if (f.underline)
        s += QStringLiteral(" underline");
    if (f.strikethrough)
        s += QStringLiteral(" strikethrough");
    return s;
}

std::optional<Font> parseFont(const QString& text) {
    qsizetype pos = 0;
    auto name = unquote(text, pos);
    if (!name)
        return std::nullopt;
    const QStringList words = text.mid(pos).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return std::nullopt;
    auto size = parseFloat<double>(words[0]);
    if (!size)
        return std::nullopt;
    Font f{*name, *size};
    for (qsizetype i = 1; i < words.size(); ++i) {
        const QString w = words[i].toLower();
        if (w == QLatin1String("bold"))
            f.bold = true;
        else if (w == QLatin1String("italic"))
            f.italic = true;
        else if (w == QLatin1String("underline"))
            f.underline = true;
        else if (w == QLatin1String("strikethrough"))
            f.strikethrough = true;
        else
            return std::nullopt;
    }
    return f;
}

QString pictureText(const Picture& p) {
    if (p.isNone())
        return QStringLiteral("none");
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    p.image.save(&buffer, "PNG");
    return QStringLiteral("png ") + QString::fromLatin1(png.toBase64());
}

std::optional<Picture> parsePicture(const QString& text) {
    if (text.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0)
        return Picture{};
    if (!text.startsWith(QLatin1String("png ")))
        return std::nullopt;
    const auto decoded = QByteArray::fromBase64Encoding(text.mid(4).trimmed().toLatin1(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    QImage image;
    if (!image.loadFromData(*decoded, "PNG"))
        return std::nullopt;
    return Picture{image};
}

QString valueText(const PropertyValue& v) {
    return std::visit(
        [](const auto& x) -> QString {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return {};
            else if constexpr (std::is_same_v<T, std::int16_t> || std::is_same_v<T, std::int32_t>)
                return QString::number(x);
            else if constexpr (std::is_same_v<T, bool>)
                return boolToText(x);
            else if constexpr (std::is_same_v<T, QString>)
                return quote(x);
            else if constexpr (std::is_same_v<T, float> || std::is_same_v<T, double>)
                return shortestText(x);
            else if constexpr (std::is_same_v<T, Colour>)
                return QStringLiteral("0x") +
                       QStringLiteral("%1").arg(x.value, 8, 16, QLatin1Char('0')).toUpper();
            else if constexpr (std::is_same_v<T, Font>)
                return fontText(x);
            else
                return pictureText(x);
        },
        v);
}

std::optional<PropertyValue> parseValue(const QString& type, const QString& text) {
    bool ok = false;
    if (type == QLatin1String("empty"))
        return text.isEmpty() ? std::optional<PropertyValue>(std::monostate{}) : std::nullopt;
    if (type == QLatin1String("i16")) {
        const int n = text.toInt(&ok);
        if (!ok || n < std::numeric_limits<std::int16_t>::min() ||
            n > std::numeric_limits<std::int16_t>::max())
            return std::nullopt;
        return static_cast<std::int16_t>(n);
    }
    if (type == QLatin1String("i32")) {
        const int n = text.toInt(&ok);
        return ok ? std::optional<PropertyValue>(std::int32_t{n}) : std::nullopt;
    }
    if (type == QLatin1String("bool")) {
        if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
            return false;
        return std::nullopt;
    }
    if (type == QLatin1String("text")) {
        qsizetype pos = 0;
        auto s = unquote(text, pos);
        if (!s || pos != text.size())
            return std::nullopt;
        return *s;
    }
    if (type == QLatin1String("f32")) {
        auto f = parseFloat<float>(text);
        return f ? std::optional<PropertyValue>(*f) : std::nullopt;
    }
    if (type == QLatin1String("f64")) {
        auto d = parseFloat<double>(text);
        return d ? std::optional<PropertyValue>(*d) : std::nullopt;
    }
    if (type == QLatin1String("colour")) {
        const uint c = text.toUInt(&ok, 0);
        return ok ? std::optional<PropertyValue>(Colour{c}) : std::nullopt;
    }
    if (type == QLatin1String("font")) {
        auto f = parseFont(text);
        return f ? std::optional<PropertyValue>(*f) : std::nullopt;
    }
    if (type == QLatin1String("picture")) {
        auto p = parsePicture(text);
        return p ? std::optional<PropertyValue>(*p) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

QFont Font::toQFont() const {
    QFont f(name);
    if (size > 0)
        f.setPointSizeF(size);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    f.setStrikeOut(strikethrough);
    return f;
}

Font Font::fromQFont(const QFont& f) {
    return Font{f.family(),   f.pointSizeF() > 0 ? f.pointSizeF() : 8.25, f.bold(), f.italic(), f.underline(),
                f.strikeOut()};
}

bool operator==(const Picture& a, const Picture& b) {
    if (a.isNone() || b.isNone())
        return a.isNone() == b.isNone();
    if (a.image.size() != b.image.size())
        return false;
    return a.image.convertToFormat(QImage::Format_ARGB32) == b.image.convertToFormat(QImage::Format_ARGB32);
}

QString typeName(PropertyType t) {
    return QString::fromLatin1(kTypeNames[static_cast<int>(t)]);
}

std::int16_t toInt16(const PropertyValue& v) {
    if (auto p = std::get_if<std::int16_t>(&v))
        return *p;
    return roundToInt16(numberOf(v));
}

std::int32_t toInt32(const PropertyValue& v) {
    if (auto p = std::get_if<std::int32_t>(&v))
        return *p;
    return roundToInt32(numberOf(v));
}

bool toBool(const PropertyValue& v) {
    if (auto p = std::get_if<bool>(&v))
        return *p;
    if (auto s = std::get_if<QString>(&v)) {
        if (auto b = textToBoolStrict(*s))
            return *b;
        mismatch(v);
    }
    return numberOf(v) != 0;
}

QString toText(const PropertyValue& v) {
    if (auto s = std::get_if<QString>(&v))
        return *s;
    if (auto f = std::get_if<Font>(&v))
        return f->name;
    if (std::holds_alternative<Picture>(v))
        mismatch(v);
    if (std::holds_alternative<std::monostate>(v))
        return {};
    if (auto b = std::get_if<bool>(&v))
        return boolToText(*b);
    if (auto f = std::get_if<float>(&v))
        return shortestText(*f);
    return numberToText(numberOf(v));
}

float toFloat(const PropertyValue& v) {
    if (auto p = std::get_if<float>(&v))
        return *p;
    const double d = numberOf(v);
    if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max())
        throw ControlError(ErrorKind::Overflow, QString::number(d, 'g', 17));
    return static_cast<float>(d);
}

double toDouble(const PropertyValue& v) {
    return numberOf(v);
}

Colour toColour(const PropertyValue& v) {
    if (auto p = std::get_if<Colour>(&v))
        return *p;
    const double d = numberOf(v);
    // A colour is read from any 32-bit pattern: signed (system colours as negative numbers) or unsigned.
    if (!std::isfinite(d) || d < -2147483648.0 || d > 4294967295.0)
        throw ControlError(ErrorKind::Overflow, QString::number(d, 'g', 17));
    const long long n = static_cast<long long>(roundHalfEven(d));
    return Colour{static_cast<OleColor>(n)};
}

Font toFont(const PropertyValue& v) {
    if (auto p = std::get_if<Font>(&v))
        return *p;
    mismatch(v);
}

Picture toPicture(const PropertyValue& v) {
    if (auto p = std::get_if<Picture>(&v))
        return *p;
    if (std::holds_alternative<std::monostate>(v))
        return Picture{};
    mismatch(v);
}

int PropertyBag::indexOf(const QString& key) const {
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].key.compare(key, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

PropertyValue PropertyBag::read(const QString& key, const PropertyValue& def) const {
    const int i = indexOf(key);
    return i < 0 ? def : m_entries[i].value;
}

void PropertyBag::write(const QString& key, const PropertyValue& value, const PropertyValue& def) {
    const int i = indexOf(key);
    if (value == def) {
        if (i >= 0)
            m_entries.removeAt(i);
        return;
    }
    if (i >= 0)
        m_entries[i].value = value;
    else
        m_entries.append(Entry{key, value});
}

bool PropertyBag::contains(const QString& key) const {
    return indexOf(key) >= 0;
}

void PropertyBag::remove(const QString& key) {
    const int i = indexOf(key);
    if (i >= 0)
        m_entries.removeAt(i);
}

void PropertyBag::clear() {
    m_entries.clear();
}

QString PropertyBag::toText() const {
    QString out;
    for (const Entry& e : m_entries) {
        out += isPlainKey(e.key) ? e.key : quote(e.key);
        out += QStringLiteral(" = ") + typeName(typeOf(e.value));
        const QString text = valueText(e.value);
        if (!text.isEmpty())
            out += QLatin1Char(' ') + text;
        out += QLatin1Char('\n');
    }
    return out;
}

std::optional<PropertyBag> PropertyBag::fromText(const QString& text, QString* error) {
    PropertyBag bag;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        auto fail = [&](const QString& why) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(n + 1).arg(why);
            return std::nullopt;
        };
        QString key;
        qsizetype pos = 0;
        if (line.startsWith(QLatin1Char('"'))) {
            auto k = unquote(line, pos);
            if (!k)
                return fail(QStringLiteral("broken quoted key"));
            key = *k;
        } else {
            pos = line.indexOf(QLatin1Char('='));
            if (pos < 0)
                return fail(QStringLiteral("no \"=\" after the key"));
            key = line.left(pos).trimmed();
        }
        while (pos < line.size() && line[pos] == QLatin1Char(' '))
            ++pos;
        if (key.isEmpty() || pos >= line.size() || line[pos] != QLatin1Char('='))
            return fail(QStringLiteral("no key before \"=\""));
        const QString rest = line.mid(pos + 1).trimmed();
        const qsizetype space = rest.indexOf(QLatin1Char(' '));
        const QString type = (space < 0 ? rest : rest.left(space)).toLower();
        const QString valueTextPart = space < 0 ? QString() : rest.mid(space + 1).trimmed();
        auto value = parseValue(type, valueTextPart);
        if (!value)
            return fail(QStringLiteral("\"%1\" is not a value of type \"%2\"").arg(valueTextPart, type));
        const int i = bag.indexOf(key);
        if (i >= 0)
            bag.m_entries[i].value = *value;
        else
            bag.m_entries.append(Entry{key, *value});
    }
    return bag;
}

std::optional<PropertyBag> PropertyBag::load(const QString& path, QString* error) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot open %1: %2").arg(path, f.errorString());
        return std::nullopt;
    }
    QString why;
    auto bag = fromText(QString::fromUtf8(f.readAll()), &why);
    if (!bag && error)
        *error = path + QStringLiteral(", ") + why;
    return bag;
}

bool PropertyBag::save(const QString& path, QString* error) const {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(toText().toUtf8()) < 0 || !f.commit()) {
        if (error)
            *error = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}

bool operator==(const PropertyBag& a, const PropertyBag& b) {
    if (a.m_entries.size() != b.m_entries.size())
        return false;
    for (int i = 0; i < a.m_entries.size(); ++i) {
        if (a.m_entries[i].key.compare(b.m_entries[i].key, Qt::CaseInsensitive) != 0 ||
            !(a.m_entries[i].value == b.m_entries[i].value))
            return false;
    }
    return true;
}

} // namespace platform::component
