#pragma once

#include <QList>
#include <QString>

#include "playlistfile.h"
#include "playlistformat.h"

namespace player {

// The playlist formats of other programs that the song list reads and writes beside its own .mdp files.
namespace playlistformats {

// Files larger than this are no playlists (a full list with long paths takes a few MiB).
constexpr qint64 kMaxFileSize = 256LL * 1024 * 1024;

enum class Id { M3u8, M3u, Pls, Xspf };
const PlaylistFormat& format(Id id);
// Every format, in the order the save dialog offers them (.m3u is written only when typed).
const QList<const PlaylistFormat*>& all();
const QList<const PlaylistFormat*>& offeredForSaving();

// The first bytes of a file decoded, for recognising its format; empty for what is not a plain file.
QString head(const QString& path);
// Content first, name second; nullptr when neither tells.
const PlaylistFormat* detect(const QString& fileName, QStringView head);
// The format a typed name asks for by its extension (any letter case); nullptr for none of ours.
const PlaylistFormat* byExtension(const QString& fileName);

PlaylistRead read(const QString& path, const PlaylistFormat& format, int limit);
// Replaces the file only once the new one is completely on disk; a failed write leaves the old file.
PlaylistFile::WriteResult write(const QString& path, const PlaylistFormat& format, const QList<Song>& songs);

} // namespace playlistformats

} // namespace player
