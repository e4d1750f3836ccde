#pragma once

#include <QString>

namespace player {

// What a song file says about itself, for the desktop's "now playing" panel.
namespace desktop {

struct SongTags {
    QString title;
    QString artist;
    QString album;
    QString artPath; // a picture file of the embedded cover, empty when there is none
};

// How much the cover cache keeps: the covers used last, within both bounds. A cover larger than the whole
// cache is not stored.
struct CoverCacheBounds {
    int files = 200;
    qint64 bytes = 64LL * 1024 * 1024;
};

// Reads the tags of `path` (ID3v2 and ID3v1 in MP3, the ID3 and INFO chunks of WAV, Vorbis comments in FLAC,
// Ogg Vorbis and Opus, MP4's items, and what else TagLib reads by the file's name). An embedded cover is
// written once into `cacheDir` under a name made from the picture's own bytes, so the same cover is stored
// once however many songs carry it; storing one prunes the covers used longest ago beyond `bounds`. A file
// without tags gives empty fields. Any thread; it reads the file, so not the UI thread's work.
SongTags readSongTags(const QString& path, const QString& cacheDir, CoverCacheBounds bounds = {});

// $XDG_CACHE_HOME/deckmora/covers (or ~/.cache/deckmora/covers).
QString coverCacheDir();

} // namespace desktop

} // namespace player
