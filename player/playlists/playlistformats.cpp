#include "playlistformats.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "m3uformat.h"
#include "playlistpaths.h"
#include "plsformat.h"
#include "xspfformat.h"

namespace player {

QString decodePlaylistText(const QByteArray& bytes) {
    const auto utf16 = [&](QStringConverter::Encoding e) {
        QStringDecoder dec(e, QStringDecoder::Flag::Stateless);
        QString text = dec.decode(QByteArrayView(bytes).sliced(2));
        // A surrogate without its partner is no character; it could not be written back as UTF-8.
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
            else if (text[i].isSurrogate())
                text[i] = QChar::ReplacementCharacter;
        }
        return text;
    };
    if (bytes.startsWith("\xFF\xFE"))
        return utf16(QStringConverter::Utf16LE);
    if (bytes.startsWith("\xFE\xFF"))
        return utf16(QStringConverter::Utf16BE);
    return PlaylistFile::decode(bytes);
}

QString playlistTitle(QStringView text) {
    return playlistpaths::oneLine(playlistpaths::cutName(text)).trimmed();
}

bool PlaylistFormat::claimsName(const QString& fileName) const {
    return fileName.endsWith(QLatin1Char('.') + extension(), Qt::CaseInsensitive);
}

namespace playlistformats {

namespace {

constexpr qint64 kHeadSize = 4096;

struct Formats {
    M3uFormat m3u8{true};
    M3uFormat m3u{false};
    PlsFormat pls;
    XspfFormat xspf;
    QList<const PlaylistFormat*> all{&m3u8, &m3u, &pls, &xspf};
    QList<const PlaylistFormat*> saving{&m3u8, &pls, &xspf};
};

const Formats& formats() {
    static const Formats f;
    return f;
}

} // namespace

const PlaylistFormat& format(Id id) {
    const Formats& f = formats();
    switch (id) {
    case Id::M3u8:
        break;
    case Id::M3u:
        return f.m3u;
    case Id::Pls:
        return f.pls;
    case Id::Xspf:
        return f.xspf;
    }
    return f.m3u8;
}

const QList<const PlaylistFormat*>& all() {
    return formats().all;
}

const QList<const PlaylistFormat*>& offeredForSaving() {
    return formats().saving;
}

QString head(const QString& path) {
    // A pipe or a device would block or never end; only plain files are looked into.
    if (!QFileInfo(path).isFile())
        return {};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return decodePlaylistText(f.read(kHeadSize));
}

const PlaylistFormat* byExtension(const QString& fileName) {
    for (const PlaylistFormat* f : all())
        if (f->claimsName(fileName))
            return f;
    return nullptr;
}

const PlaylistFormat* detect(const QString& fileName, QStringView head) {
    const Formats& f = formats();
    const std::initializer_list<const PlaylistFormat*> byContent = {&f.m3u8, &f.pls, &f.xspf};
    for (const PlaylistFormat* format : byContent)
        if (format->recognises(head))
            return format;
    return byExtension(fileName);
}

PlaylistRead read(const QString& path, const PlaylistFormat& format, int limit) {
    PlaylistRead r;
    const QFileInfo info(path);
    if (!info.isFile()) {
        r.error = info.exists() ? QStringLiteral("It is not a file.") : QStringLiteral("It does not exist.");
        return r;
    }
    if (info.size() > kMaxFileSize) {
        r.error = QStringLiteral("It is too large to be a playlist.");
        return r;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        r.error = f.errorString();
        return r;
    }
    const QByteArray bytes = f.read(kMaxFileSize);
    if (f.error() != QFileDevice::NoError) {
        r.error = f.errorString();
        return r;
    }
    return format.parse(bytes, info.absolutePath(), limit);
}

PlaylistFile::WriteResult write(const QString& path, const PlaylistFormat& format, const QList<Song>& songs) {
    const QByteArray bytes = format.serialize(songs, QFileInfo(path).absolutePath());
    const QFileInfo target(path);
    if (target.exists() && !target.isFile()) {
        // A device or a pipe is written in place; a folder refuses.
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || f.write(bytes) != bytes.size())
            return {false, f.errorString()};
        return {true, {}};
    }
    return PlaylistFile::replaceWhole(path, bytes);
}

} // namespace playlistformats

} // namespace player
