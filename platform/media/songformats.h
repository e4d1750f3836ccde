#pragma once

#include <QString>
#include <QStringList>

// Which files are songs the engine plays. By name where files are only listed (a folder, a drop, a playlist
// entry): opening a file to look is too slow for a folder of thousands. By content when a file is opened:
// the decoders decide (openDecoder), and a song with a wrong or missing extension still plays.
namespace platform::media {

// Lower case, without the dot: mp3, wav, flac, ogg, opus, m4a, aac, aiff, wma and the rest the decoders read.
const QStringList& songExtensions();
// `fileName` ends in one of songExtensions(), in any letter case.
bool isSongFileName(const QString& fileName);
// The file-list pattern of every song extension: "*.mp3;*.wav;*.flac;...".
QString songFilePattern();
// The MIME types of those songs, as the desktop names them (its menu entry, the remote control).
const QStringList& songMimeTypes();

} // namespace platform::media
