// The playlist reader on arbitrary bytes: no crash, and what it reads as a complete playlist is written back
// and read again as the same songs.
#include <QByteArray>
#include <cstdlib>

#include "playlists/playlistfile.h"

using namespace player;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const PlaylistFile::ReadResult first = PlaylistFile::parse(bytes);
    if (first.status != PlaylistFile::Status::Ok && first.status != PlaylistFile::Status::Truncated) {
        if (!first.songs.isEmpty())
            std::abort();
        return 0;
    }
    // Lines were split at every line break, so every song read can be stored.
    if (PlaylistFile::firstUnstorable(first.songs) != -1)
        std::abort();
    const PlaylistFile::ReadResult again = PlaylistFile::parse(PlaylistFile::serialize(first.songs, true));
    if (again.status != PlaylistFile::Status::Ok || again.songs.size() != first.songs.size())
        std::abort();
    for (qsizetype i = 0; i < first.songs.size(); ++i)
        if (again.songs[i].path != first.songs[i].path || again.songs[i].name != first.songs[i].name)
            std::abort();
    PlaylistFile::decode(bytes);
    return 0;
}
