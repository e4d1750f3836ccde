#include "plsformat.h"

#include <algorithm>
#include <map>
#include <set>

#include "playlistfile.h"
#include "playlistpaths.h"

namespace player {

namespace {

const QLatin1String kSection("[playlist]");

// The N of "FileN" or "TitleN": up to nine digits, nothing else.
bool entryNumber(QStringView digits, quint32& n) {
    if (digits.isEmpty() || digits.size() > 9)
        return false;
    n = 0;
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
        n = n * 10 + (c.unicode() - '0');
    }
    return true;
}

} // namespace

QString PlsFormat::description() const {
    return QStringLiteral("PLS playlists");
}

QString PlsFormat::extension() const {
    return QStringLiteral("pls");
}

bool PlsFormat::recognises(QStringView head) const {
    for (QStringView line : PlaylistFile::splitLines(head)) {
        line = line.trimmed();
        if (!line.isEmpty())
            return line.compare(kSection, Qt::CaseInsensitive) == 0;
    }
    return false;
}

PlaylistRead PlsFormat::parse(const QByteArray& bytes, const QString& folder, int limit) const {
    // Keyed by number, so entries come out in their order whatever the order of the keys. A file is looked
    // at as its key is read, so the bounds count songs the list can take: the lowest `limit` + 1 of them
    // (the one more says that there were more), beside a bounded few titles still waiting for their file and
    // numbers that are no file. Streams among the first numbers thus never push a later song out unnoticed.
    std::map<quint32, Song> songs;
    std::map<quint32, QString> titles;
    std::set<quint32> others;
    const size_t keepSongs = static_cast<size_t>(std::max(limit, 0)) + 1;
    const size_t keepOthers = keepSongs + 16;
    int othersDropped = 0;
    bool section = false, inOther = false, anyFile = false, songsDropped = false;
    const QString text = decodePlaylistText(bytes);
    for (QStringView line : PlaylistFile::splitLines(text)) {
        while (!line.isEmpty() && line.front().isSpace())
            line = line.sliced(1);
        if (line.isEmpty() || line.front() == QLatin1Char(';') || line.front() == QLatin1Char('#'))
            continue;
        if (line.front() == QLatin1Char('[')) {
            inOther = line.trimmed().compare(kSection, Qt::CaseInsensitive) != 0;
            section = section || !inOther;
            continue;
        }
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (inOther || eq < 0)
            continue;
        const QStringView key = line.first(eq).trimmed();
        // Blanks after the "=" are layout; a file name may end in one.
        QStringView value = line.sliced(eq + 1);
        while (!value.isEmpty() && value.front().isSpace())
            value = value.sliced(1);
        quint32 n = 0;
        if (key.startsWith(QLatin1String("file"), Qt::CaseInsensitive) && entryNumber(key.sliced(4), n)) {
            anyFile = true;
            // The last key of a number counts, as before: a file given twice is the file given last.
            QString title;
            if (const auto s = songs.find(n); s != songs.end()) {
                title = std::move(s->second.name);
                songs.erase(s);
            } else if (const auto t = titles.find(n); t != titles.end()) {
                title = std::move(t->second);
                titles.erase(t);
            }
            const playlistpaths::Entry p = playlistpaths::resolve(value.toString(), folder);
            if (p.kind == playlistpaths::Entry::Kind::File) {
                others.erase(n);
                songs[n] = Song{p.path, std::move(title)};
                if (songs.size() > keepSongs) {
                    songs.erase(std::prev(songs.end()));
                    songsDropped = true;
                }
            } else {
                others.insert(n);
                if (others.size() > keepOthers) {
                    others.erase(std::prev(others.end()));
                    ++othersDropped;
                }
            }
        } else if (key.startsWith(QLatin1String("title"), Qt::CaseInsensitive) &&
                   entryNumber(key.sliced(5), n)) {
            if (const auto s = songs.find(n); s != songs.end()) {
                s->second.name = playlistTitle(value);
            } else {
                titles[n] = playlistTitle(value);
                if (titles.size() > keepOthers)
                    titles.erase(std::prev(titles.end()));
            }
        }
    }

    PlaylistRead r;
    if (!section && !anyFile) {
        r.status = PlaylistRead::Status::Invalid;
        r.error = QStringLiteral("It has no [playlist] section.");
        return r;
    }
    r.status = PlaylistRead::Status::Ok;
    r.skipped = static_cast<int>(others.size()) + othersDropped;
    r.more = songsDropped || songs.size() > static_cast<size_t>(std::max(limit, 0));
    for (auto& [n, s] : songs) {
        if (r.songs.size() >= limit)
            break;
        if (s.name.isEmpty())
            s.name = playlistpaths::displayName(s.path);
        r.songs.append(std::move(s));
    }
    return r;
}

QByteArray PlsFormat::serialize(const QList<Song>& songs, const QString& folder) const {
    const playlistpaths::Store store(folder);
    QString text = QStringLiteral("[playlist]\n");
    for (qsizetype i = 0; i < songs.size(); ++i) {
        const QString n = QString::number(i + 1);
        text += QLatin1String("File");
        text += n;
        text += QLatin1Char('=');
        text += store.path(songs[i].path);
        const QString title = playlistpaths::oneLine(songs[i].name);
        if (!title.isEmpty()) {
            text += QLatin1String("\nTitle");
            text += n;
            text += QLatin1Char('=');
            text += title;
        }
        text += QLatin1String("\nLength");
        text += n;
        text += QLatin1String("=-1\n");
    }
    text += QStringLiteral("NumberOfEntries=%1\nVersion=2\n").arg(songs.size());
    return text.toUtf8();
}

} // namespace player
