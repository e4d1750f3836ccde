#include "plsformat.h"

#include <map>

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
    struct Entry {
        QString file;
        QString title;
        bool hasFile = false;
    };
    // Keyed by number, so entries come out in their order whatever the order of the keys. Only the lowest
    // numbers are kept: a song needs at most two keys, so twice the limit is enough.
    std::map<quint32, Entry> entries;
    const size_t keep = 2 * static_cast<size_t>(limit) + 16;
    bool section = false, inOther = false, anyFile = false;
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
            Entry& e = entries[n];
            e.file = value.toString();
            e.hasFile = anyFile = true;
        } else if (key.startsWith(QLatin1String("title"), Qt::CaseInsensitive) &&
                   entryNumber(key.sliced(5), n)) {
            entries[n].title = playlistTitle(value);
        } else {
            continue;
        }
        if (entries.size() > keep)
            entries.erase(std::prev(entries.end()));
    }

    PlaylistRead r;
    if (!section && !anyFile) {
        r.status = PlaylistRead::Status::Invalid;
        r.error = QStringLiteral("It has no [playlist] section.");
        return r;
    }
    r.status = PlaylistRead::Status::Ok;
    for (const auto& [n, e] : entries) {
        if (!e.hasFile)
            continue;
        const playlistpaths::Entry p = playlistpaths::resolve(e.file, folder);
        if (p.kind != playlistpaths::Entry::Kind::File) {
            ++r.skipped;
            continue;
        }
        if (r.songs.size() >= limit) {
            r.more = true;
            break;
        }
        r.songs.append(Song{p.path, e.title.isEmpty() ? playlistpaths::displayName(p.path) : e.title});
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
