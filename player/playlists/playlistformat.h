#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "console/songlist.h"

namespace player {

// What a reader made of a playlist written by another program.
struct PlaylistRead {
    enum class Status {
        Ok,
        Damaged,    // the songs before the damage are in `songs`; `error` says what went wrong
        Invalid,    // not a playlist of this format; `error` may say why
        Unreadable, // the file could not be opened or read; `error` says why
    };
    Status status = Status::Unreadable;
    QList<Song> songs;
    int skipped = 0;   // entries that are no files of this computer: streams, addresses, unusable paths
    bool more = false; // the playlist holds more songs than the reader was asked for
    QString error;
};

// One playlist format of other programs: how it is recognised, read and written. Readers take any bytes:
// what cannot be read is skipped or reported, never trusted.
class PlaylistFormat {
public:
    virtual ~PlaylistFormat() = default;
    // The dialog's description, e.g. "M3U8 playlists".
    virtual QString description() const = 0;
    // The extension written, lower case, without the dot.
    virtual QString extension() const = 0;
    // Whether a file of this name is taken for this format when its content does not tell.
    bool claimsName(const QString& fileName) const;
    // Whether the start of a file, decoded, shows this format.
    virtual bool recognises(QStringView head) const = 0;
    // At most `limit` songs; relative entries are taken from `folder`.
    virtual PlaylistRead parse(const QByteArray& bytes, const QString& folder, int limit) const = 0;
    // The file for `songs`, their paths stored as a playlist in `folder` stores them.
    virtual QByteArray serialize(const QList<Song>& songs, const QString& folder) const = 0;
};

// Text of a playlist: UTF-16 when it starts with its byte-order mark, else as our own playlist files are read
// (UTF-8 when valid, else Windows-1252).
QString decodePlaylistText(const QByteArray& bytes);
// Title text as it may come from any file: on one line, not endless, without blanks around it.
QString playlistTitle(QStringView text);

} // namespace player
