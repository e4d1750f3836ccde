#include "playlistpaths.h"

#include <QByteArray>
#include <QDir>
#include <QStringDecoder>
#include <QUrl>
#include <algorithm>

#include "playlistfile.h"

namespace player {

namespace playlistpaths {

namespace {

bool isAsciiLetter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) ||
           (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

// The length of a URL's scheme when `text` starts with "scheme://", else 0. One letter before a colon is a
// drive, never a scheme.
int schemeLength(const QString& text) {
    int i = 0;
    while (i < text.size() && (isAsciiLetter(text[i]) ||
                               (i > 0 && (text[i].isDigit() || text[i] == QLatin1Char('+') ||
                                          text[i] == QLatin1Char('-') || text[i] == QLatin1Char('.')))))
        ++i;
    if (i < 2 || !QStringView(text).sliced(i).startsWith(QLatin1String("://")))
        return 0;
    return i;
}

// Percent escapes stand for bytes; the bytes are UTF-8 when they can be, else the 8-bit code page, as in our
// own playlist files.
QString percentDecoded(QStringView text) {
    if (!text.contains(QLatin1Char('%')))
        return text.toString();
    const QByteArray bytes = QByteArray::fromPercentEncoding(text.toUtf8());
    // A U+FEFF that starts a name is part of it, not a byte-order mark.
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString decoded = utf8.decode(bytes);
    return utf8.hasError() ? PlaylistFile::decode(bytes) : decoded;
}

// cleanPath, only where there is something to clean: most paths have nothing, and a large list is read and
// written without the cost.
QString clean(const QString& path) {
    const qsizetype n = path.size();
    const QChar* d = path.constData();
    bool dirty = n > 1 && d[n - 1] == QLatin1Char('/');
    // A "." or ".." segment, or an empty one, starts right after a slash (or at the start).
    for (qsizetype i = 0; i < n && !dirty; ++i) {
        if (i > 0 && d[i - 1] != QLatin1Char('/'))
            continue;
        if (d[i] == QLatin1Char('/') && i > 0) {
            dirty = true;
        } else if (d[i] == QLatin1Char('.')) {
            const qsizetype dots = (i + 1 < n && d[i + 1] == QLatin1Char('.')) ? 2 : 1;
            dirty = i + dots == n || d[i + dots] == QLatin1Char('/');
        }
    }
    return dirty ? QDir::cleanPath(path) : path;
}

// Everything but the unreserved characters and the slash (and the colon, for a Windows drive) as %XX of its
// UTF-8 bytes.
void appendPercentEncoded(QByteArray& out, const QString& text, bool keepColon) {
    static const char hex[] = "0123456789ABCDEF";
    // Most paths are ASCII: their characters are their bytes, and no UTF-8 copy is needed.
    const bool ascii = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    const QByteArray bytes = ascii ? QByteArray() : text.toUtf8();
    const qsizetype n = ascii ? text.size() : bytes.size();
    const qsizetype start = out.size();
    out.resize(start + 3 * n);
    char* d = out.data() + start;
    for (qsizetype i = 0; i < n; ++i) {
        const char b = ascii ? static_cast<char>(text[i].unicode()) : bytes[i];
        const auto u = static_cast<unsigned char>(b);
        if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '-' ||
            u == '.' || u == '_' || u == '~' || u == '/' || (keepColon && u == ':')) {
            *d++ = b;
        } else {
            *d++ = '%';
            *d++ = hex[u >> 4];
            *d++ = hex[u & 15];
        }
    }
    out.resize(d - out.data());
}

Entry local(const QString& path, const QString& folder) {
    if (path.isEmpty() || path.size() > kMaxPathLength || path.contains(QChar(0)))
        return {};
    if (isWindowsRooted(path) || path.startsWith(QLatin1Char('/')))
        return {Entry::Kind::File, path};
    QString relative = path;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString resolved = clean(folder + QLatin1Char('/') + relative);
    // Above the root is the root; cleanPath keeps the "..".
    while (resolved.startsWith(QLatin1String("/../")))
        resolved.remove(0, 3);
    if (resolved.size() > kMaxPathLength)
        return {};
    return {Entry::Kind::File, resolved};
}

// `rest` is what follows "file:".
Entry fromFileUrl(QStringView rest, const QString& folder) {
    if (rest.startsWith(QLatin1String("//"))) {
        rest = rest.sliced(2);
        const qsizetype slash = rest.indexOf(QLatin1Char('/'));
        const QStringView host = slash < 0 ? rest : rest.first(slash);
        if (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) != 0)
            return {Entry::Kind::Remote, {}};
        rest = slash < 0 ? QStringView() : rest.sliced(slash);
    }
    // file:///C:/Music/song.mp3 (or C|) names a Windows file; keep it the way Windows writes it. Only a drive
    // written as such counts, and only as a whole segment: "/m|ocal.mp3" and an escaped colon are Linux
    // names.
    const bool drive = rest.size() >= 3 && rest[0] == QLatin1Char('/') && isAsciiLetter(rest[1]) &&
                       (rest[2] == QLatin1Char(':') || rest[2] == QLatin1Char('|')) &&
                       (rest.size() == 3 || rest[3] == QLatin1Char('/'));
    QString path = percentDecoded(rest);
    if (drive) {
        path = path.mid(1);
        path[1] = QLatin1Char(':');
        path.replace(QLatin1Char('/'), QLatin1Char('\\'));
    }
    return local(path, folder);
}

} // namespace

bool isWindowsRooted(const QString& path) {
    return (path.size() >= 2 && isAsciiLetter(path[0]) && path[1] == QLatin1Char(':')) ||
           path.startsWith(QLatin1Char('\\'));
}

Entry resolve(const QString& text, const QString& folder, bool isUri) {
    if (text.isEmpty() || text.size() > kMaxUriLength || text.contains(QChar(0)))
        return {};
    if (const int scheme = schemeLength(text)) {
        if (QStringView(text).first(scheme).compare(QLatin1String("file"), Qt::CaseInsensitive) != 0)
            return {Entry::Kind::Remote, {}};
        return fromFileUrl(QStringView(text).sliced(scheme + 1), folder);
    }
    if (text.startsWith(QLatin1String("file:/"), Qt::CaseInsensitive))
        return fromFileUrl(QStringView(text).sliced(5), folder);
    return local(isUri ? percentDecoded(text) : text, folder);
}

Store::Store(const QString& folder) : m_cwd(QDir::currentPath()) {
    const QString dir = clean(folder);
    if (dir != QLatin1String("/"))
        m_prefix = dir + QLatin1Char('/');
}

QString Store::path(const QString& songPath) const {
    if (isWindowsRooted(songPath))
        return songPath;
    const QString absolute =
        clean(songPath.startsWith(QLatin1Char('/')) ? songPath : m_cwd + QLatin1Char('/') + songPath);
    if (m_prefix.isEmpty() || !absolute.startsWith(m_prefix) || absolute.size() == m_prefix.size())
        return absolute;
    const QString relative = absolute.mid(m_prefix.size());
    // A backslash in a relative entry reads as a Windows separator; such a name travels only as it is.
    if (relative.contains(QLatin1Char('\\')))
        return absolute;
    // What a reader would take for a comment, a blank, a drive or an address starts with "./" instead.
    if (relative.startsWith(QLatin1Char('#')) || relative.front().isSpace() || isWindowsRooted(relative) ||
        schemeLength(relative) > 0 || relative.startsWith(QLatin1String("file:/"), Qt::CaseInsensitive))
        return QStringLiteral("./") + relative;
    return relative;
}

void Store::appendUri(QByteArray& out, const QString& songPath) const {
    if (isWindowsRooted(songPath)) {
        QString slashes = songPath;
        slashes.replace(QLatin1Char('\\'), QLatin1Char('/'));
        out += slashes.startsWith(QLatin1Char('/')) ? "file:" : "file:///";
        appendPercentEncoded(out, slashes, true);
        return;
    }
    const QString p = path(songPath);
    if (p.startsWith(QLatin1Char('/')))
        out += "file://";
    appendPercentEncoded(out, p, false);
}

QString Store::uri(const QString& songPath) const {
    QByteArray out;
    appendUri(out, songPath);
    return QString::fromLatin1(out);
}

QString stored(const QString& songPath, const QString& folder) {
    return Store(folder).path(songPath);
}

QString storedUri(const QString& songPath, const QString& folder) {
    return Store(folder).uri(songPath);
}

QString fileName(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

QString displayName(const QString& path) {
    return oneLine(cutName(fileName(path)));
}

QString cutName(QStringView text) {
    qsizetype n = std::min<qsizetype>(text.size(), kMaxNameLength);
    if (n < text.size() && n > 0 && text[n - 1].isHighSurrogate())
        --n;
    return text.left(n).toString();
}

QString wholeCharacters(const QString& text) {
    // A reader that decodes UTF-7 or UTF-16 passes halves on; written as UTF-8 they would come back changed.
    if (std::none_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); }))
        return text;
    QString out = text;
    const qsizetype n = out.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (out[i].isHighSurrogate() && i + 1 < n && out[i + 1].isLowSurrogate())
            ++i;
        else if (out[i].isSurrogate())
            out[i] = QChar(QChar::ReplacementCharacter);
    }
    return out;
}

QString oneLine(const QString& text) {
    const auto control = [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; };
    if (std::none_of(text.cbegin(), text.cend(), control))
        return wholeCharacters(text);
    QString out = text;
    for (QChar& c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    return wholeCharacters(out);
}

} // namespace playlistpaths

} // namespace player
