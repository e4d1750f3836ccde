#include "m3uformat.h"

#include "playlistfile.h"
#include "playlistpaths.h"

namespace player {

namespace {
const QLatin1String kExtM3u("#EXTM3U");
const QLatin1String kExtInf("#EXTINF:");
} // namespace

QString M3uFormat::description() const {
    return m_utf8 ? QStringLiteral("M3U8 playlists") : QStringLiteral("M3U playlists");
}

QString M3uFormat::extension() const {
    return m_utf8 ? QStringLiteral("m3u8") : QStringLiteral("m3u");
}

bool M3uFormat::recognises(QStringView head) const {
    return head.trimmed().startsWith(kExtM3u, Qt::CaseInsensitive);
}

QString M3uFormat::extinfTitle(QStringView rest) {
    // Some writers put attributes between the length and the comma (tvg-name="a, b"): a comma inside quotes
    // does not start the title.
    bool quoted = false;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (rest[i] == QLatin1Char('"'))
            quoted = !quoted;
        else if (rest[i] == QLatin1Char(',') && !quoted)
            return playlistTitle(rest.sliced(i + 1));
    }
    return {};
}

PlaylistRead M3uFormat::parse(const QByteArray& bytes, const QString& folder, int limit) const {
    PlaylistRead r;
    r.status = PlaylistRead::Status::Ok;
    const QString text = decodePlaylistText(bytes);
    QString title; // from the "#EXTINF" line before an entry
    for (QStringView line : PlaylistFile::splitLines(text)) {
        while (!line.isEmpty() && line.front().isSpace())
            line = line.sliced(1);
        if (line.isEmpty())
            continue;
        if (line.front() == QLatin1Char('#')) {
            if (line.startsWith(kExtInf, Qt::CaseInsensitive))
                title = extinfTitle(line.sliced(kExtInf.size()));
            continue;
        }
        const playlistpaths::Entry e = playlistpaths::resolve(line.toString(), folder);
        if (e.kind != playlistpaths::Entry::Kind::File) {
            ++r.skipped;
        } else if (r.songs.size() >= limit) {
            r.more = true;
            break;
        } else {
            r.songs.append(Song{e.path, title.isEmpty() ? playlistpaths::displayName(e.path) : title});
        }
        title.clear();
    }
    return r;
}

QByteArray M3uFormat::serialize(const QList<Song>& songs, const QString& folder) const {
    const playlistpaths::Store store(folder);
    QString text = QStringLiteral("#EXTM3U\n");
    for (const Song& s : songs) {
        text += QStringLiteral("#EXTINF:-1,");
        text += playlistpaths::oneLine(s.name);
        text += QLatin1Char('\n');
        text += store.path(s.path);
        text += QLatin1Char('\n');
    }
    return m_utf8 ? text.toUtf8() : PlaylistFile::encode(text);
}

} // namespace player
