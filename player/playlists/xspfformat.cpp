#include "xspfformat.h"

#include <QXmlStreamReader>

#include "playlistpaths.h"

namespace player {

namespace {

// XML 1.0 has no way to write these characters, not even escaped; a title that holds one loses it.
QString xmlText(const QString& text) {
    bool plain = true;
    for (QChar c : text)
        plain = plain && c.unicode() >= 0x20 && c.unicode() < 0xD800;
    if (plain)
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            out += text[i];
            out += text[++i];
        } else if (c >= 0x20 && !QChar::isSurrogate(c) && c != 0xFFFE && c != 0xFFFF) {
            out += text[i];
        } else if (c == '\t' || c == '\n' || c == '\r') {
            out += QLatin1Char(' ');
        }
    }
    return out;
}

QString escaped(const QString& text) {
    if (!text.contains(QLatin1Char('&')) && !text.contains(QLatin1Char('<')) &&
        !text.contains(QLatin1Char('>')))
        return text;
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        default:
            out += c;
        }
    }
    return out;
}

struct Track {
    QString location; // the first location that names a file here
    bool remote = false;
    bool unusable = false;
    QString title;
    QString creator;
};

} // namespace

QString XspfFormat::description() const {
    return QStringLiteral("XSPF playlists");
}

QString XspfFormat::extension() const {
    return QStringLiteral("xspf");
}

bool XspfFormat::recognises(QStringView head) const {
    const QStringView start = head.trimmed();
    return (start.startsWith(QLatin1String("<?xml")) || start.startsWith(QLatin1String("<playlist"))) &&
           head.contains(QLatin1String("<playlist"));
}

PlaylistRead XspfFormat::parse(const QByteArray& bytes, const QString& folder, int limit) const {
    PlaylistRead r;
    QXmlStreamReader xml(bytes);
    bool inTrackList = false, inTrack = false, sawRoot = false;
    Track track;
    QString* field = nullptr; // the text element being read inside a track
    QString text;

    const auto endTrack = [&] {
        if (!track.location.isEmpty()) {
            if (r.songs.size() >= limit) {
                r.more = true;
                return false;
            }
            QString name = track.title;
            // Joined, a creator and a title may run past the longest name; cut here, as a saved list is read.
            if (!track.creator.isEmpty())
                name =
                    name.isEmpty() ? QString() : playlistTitle(track.creator + QStringLiteral(" - ") + name);
            if (name.isEmpty())
                name = playlistpaths::displayName(track.location);
            r.songs.append(Song{track.location, name});
        } else if (track.remote || track.unusable) {
            ++r.skipped;
        }
        track = Track{};
        return true;
    };

    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
            // A playlist has no use for entities; declaring any is how a file asks for expansion (a billion
            // laughs) or for reading another file. Such a file is refused before anything is expanded.
            if (!xml.entityDeclarations().isEmpty()) {
                r.status = PlaylistRead::Status::Invalid;
                r.error = QStringLiteral("It declares XML entities, which are not read.");
                r.songs.clear();
                return r;
            }
            break;
        case QXmlStreamReader::EntityReference:
            // An entity the document never declared; nothing to look up.
            break;
        case QXmlStreamReader::StartElement: {
            const QStringView name = xml.name();
            if (!sawRoot) {
                if (name != QLatin1String("playlist")) {
                    r.status = PlaylistRead::Status::Invalid;
                    r.error = QStringLiteral("It is XML, but not a playlist.");
                    return r;
                }
                sawRoot = true;
            } else if (!inTrackList && name == QLatin1String("trackList")) {
                inTrackList = true;
            } else if (inTrackList && !inTrack && name == QLatin1String("track")) {
                inTrack = true;
            } else if (inTrack && !field) {
                text.clear();
                if (name == QLatin1String("location"))
                    field = &text;
                else if (name == QLatin1String("title"))
                    field = &track.title;
                else if (name == QLatin1String("creator"))
                    field = &track.creator;
                if (field && field != &text)
                    field->clear();
            }
            break;
        }
        case QXmlStreamReader::Characters:
            // A text far longer than any path or title is cut, however the file spreads it.
            if (field && field->size() <= playlistpaths::kMaxUriLength)
                field->append(xml.text().left(playlistpaths::kMaxUriLength + 1 - field->size()));
            break;
        case QXmlStreamReader::EndElement: {
            const QStringView name = xml.name();
            if (field && inTrack) {
                if (field == &text && name == QLatin1String("location")) {
                    if (track.location.isEmpty()) {
                        const playlistpaths::Entry e = playlistpaths::resolve(
                            playlistpaths::wholeCharacters(text.trimmed()), folder, true);
                        if (e.kind == playlistpaths::Entry::Kind::File)
                            track.location = e.path;
                        else if (e.kind == playlistpaths::Entry::Kind::Remote)
                            track.remote = true;
                        else
                            track.unusable = true;
                    }
                    field = nullptr;
                } else if (field != &text &&
                           (name == QLatin1String("title") || name == QLatin1String("creator"))) {
                    *field = playlistTitle(*field);
                    field = nullptr;
                }
            } else if (inTrack && name == QLatin1String("track")) {
                inTrack = false;
                if (!endTrack()) {
                    r.status = PlaylistRead::Status::Ok;
                    return r;
                }
            } else if (inTrackList && !inTrack && name == QLatin1String("trackList")) {
                inTrackList = false;
            }
            break;
        }
        default:
            break;
        }
    }
    if (xml.hasError()) {
        const QString where = QStringLiteral("Line %1: %2").arg(xml.lineNumber()).arg(xml.errorString());
        r.status = sawRoot ? PlaylistRead::Status::Damaged : PlaylistRead::Status::Invalid;
        r.error = where;
        return r;
    }
    r.status = sawRoot ? PlaylistRead::Status::Ok : PlaylistRead::Status::Invalid;
    if (!sawRoot)
        r.error = QStringLiteral("It holds no playlist.");
    return r;
}

QByteArray XspfFormat::serialize(const QList<Song>& songs, const QString& folder) const {
    // Written by hand rather than through QXmlStreamWriter, straight into UTF-8: a full list is written
    // several times faster, and the few things to escape are plain.
    const playlistpaths::Store store(folder);
    QByteArray out("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">\n"
                   "  <trackList>\n");
    out.reserve(songs.size() * 192);
    for (const Song& s : songs) {
        // A URI is percent-encoded ASCII: nothing in it needs escaping.
        out += "    <track><location>";
        store.appendUri(out, s.path);
        out += "</location>";
        const QString title = xmlText(s.name);
        if (!title.isEmpty()) {
            out += "<title>";
            out += escaped(title).toUtf8();
            out += "</title>";
        }
        out += "</track>\n";
    }
    out += "  </trackList>\n</playlist>\n";
    return out;
}

} // namespace player
