#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "console/songlist.h"

namespace player {

// The .mdp playlist file: a header line, then a path line and a display-name line per song, every line ending
// in CR LF, no trailer. Text is Windows-1252 when every character fits, UTF-8 otherwise; reading tells the
// two apart.
class PlaylistFile {
public:
    static const QString kHeader; // "-<>Playlist<>-"

    enum class Status {
        Ok,
        Truncated,  // a read error or a lone path line ended the file; the complete pairs before it are kept
        BadHeader,  // the first line is not the header
        Unreadable, // the file could not be opened, is no plain file, or holds no first line at all
        TooLarge,   // larger than any playlist (playlistformats::kMaxFileSize): not read
    };
    struct ReadResult {
        Status status = Status::Unreadable;
        QList<Song> songs;
        int skipped = 0;   // pairs whose path is longer than any file system takes: not in `songs`
        bool more = false; // the file holds more songs than were asked for
    };

    enum class Mode { Create, Append };
    struct WriteResult {
        bool ok = false;
        QString error; // the reason, when not ok
    };

    // Only names whose last three characters are exactly "mdp" are taken as playlists.
    static bool hasPlaylistName(const QString& fileName);

    // At most `limit` songs: the reading stops at the first one beyond.
    static ReadResult read(const QString& path, int limit = SongList::kMaxEntries);
    static ReadResult parse(const QByteArray& bytes, int limit = SongList::kMaxEntries);

    // Create: cut or create the file and write the header and the songs. Append: add the songs at the end,
    // without a header.
    static WriteResult write(const QString& path, const QList<Song>& songs, Mode mode);
    // `bytes` in place of the plain file (or none) at `path`, whole or not at all: written beside it first.
    static WriteResult replaceWhole(const QString& path, const QByteArray& bytes);
    static QByteArray serialize(const QList<Song>& songs, bool withHeader);
    // A path or name holding a line break cannot be stored: it would split into two lines and shift every
    // pair after it. The index of the first such song, or -1.
    static qsizetype firstUnstorable(const QList<Song>& songs);

    // Valid UTF-8 (an optional byte-order mark dropped) is read as UTF-8, anything else as Windows-1252.
    static QString decode(const QByteArray& bytes);
    // Windows-1252 when every character fits and the bytes cannot be mistaken for UTF-8 when read back; else
    // UTF-8.
    static QByteArray encode(const QString& text);
    // Splits at CR LF, lone CR and lone LF; a terminator at the very end does not start another line.
    static QList<QStringView> splitLines(QStringView text);
};

} // namespace player
