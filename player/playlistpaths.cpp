#include "playlistpaths.h"

#include <QByteArray>
#include <QDir>
#include <QUrl>

#include "playlistfile.h"

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
    return PlaylistFile::decode(QByteArray::fromPercentEncoding(text.toUtf8()));
}

Entry local(const QString& path, const QString& folder) {
    if (path.isEmpty() || path.size() > kMaxPathLength || path.contains(QChar(0)))
        return {};
    if (isWindowsRooted(path) || path.startsWith(QLatin1Char('/')))
        return {Entry::Kind::File, path};
    QString relative = path;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString resolved = QDir::cleanPath(folder + QLatin1Char('/') + relative);
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
    QString path = percentDecoded(rest);
    // file:///C:/Music/song.mp3 names a Windows file; keep it the way Windows writes it.
    if (path.size() >= 3 && path[0] == QLatin1Char('/') && isAsciiLetter(path[1]) &&
        (path[2] == QLatin1Char(':') || path[2] == QLatin1Char('|'))) {
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

QString stored(const QString& songPath, const QString& folder) {
    if (isWindowsRooted(songPath))
        return songPath;
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(songPath));
    const QString dir = QDir::cleanPath(folder);
    if (dir == QLatin1String("/") || !absolute.startsWith(dir + QLatin1Char('/')))
        return absolute;
    const QString relative = absolute.mid(dir.size() + 1);
    // A backslash in a relative entry reads as a Windows separator; such a name travels only as it is.
    if (relative.contains(QLatin1Char('\\')))
        return absolute;
    // What a reader would take for a comment, a blank, a drive or an address starts with "./" instead.
    if (relative.startsWith(QLatin1Char('#')) || relative.front().isSpace() || isWindowsRooted(relative) ||
        schemeLength(relative) > 0 || relative.startsWith(QLatin1String("file:/"), Qt::CaseInsensitive))
        return QStringLiteral("./") + relative;
    return relative;
}

QString storedUri(const QString& songPath, const QString& folder) {
    if (isWindowsRooted(songPath)) {
        QString slashes = songPath;
        slashes.replace(QLatin1Char('\\'), QLatin1Char('/'));
        const QByteArray encoded = QUrl::toPercentEncoding(slashes, "/:");
        return QLatin1String(slashes.startsWith(QLatin1Char('/')) ? "file:" : "file:///") +
               QString::fromLatin1(encoded);
    }
    const QString path = stored(songPath, folder);
    const QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(path, "/"));
    return path.startsWith(QLatin1Char('/')) ? QStringLiteral("file://") + encoded : encoded;
}

QString fileName(const QString& path) {
    const qsizetype cut = std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\')));
    return path.mid(cut + 1);
}

QString oneLine(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char(' ');
    return out;
}

} // namespace playlistpaths
