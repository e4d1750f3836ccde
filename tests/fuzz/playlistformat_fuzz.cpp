// A reader of another program's playlists on arbitrary bytes (the format is chosen at build time): no crash,
// nothing beyond the limit, only usable paths and one-line names; and the local files it read, written back
// in the same format, read again as the same songs.
#include <QByteArray>
#include <QDir>
#include <cstdio>
#include <cstdlib>

#include "playlists/playlistformats.h"
#include "playlists/playlistpaths.h"

using namespace player;

namespace {

const QString kFolder = QStringLiteral("/fuzz/lists");
constexpr int kLimit = 500;

#define check(ok)                                                                                            \
    do {                                                                                                     \
        if (!(ok)) {                                                                                         \
            fprintf(stderr, "failed: %s\n", #ok);                                                            \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

QString expectedName(const Song& s) {
    const QString name = s.name.trimmed();
    return name.isEmpty() ? playlistpaths::displayName(QDir::cleanPath(s.path)).trimmed() : name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const PlaylistFormat& format = playlistformats::format(playlistformats::Id::DECKMORA_FUZZ_FORMAT);
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const PlaylistRead first = format.parse(bytes, kFolder, kLimit);
    check(first.songs.size() <= kLimit);
    check(first.status == PlaylistRead::Status::Ok || first.status == PlaylistRead::Status::Damaged ||
          first.songs.isEmpty());
    QList<Song> local;
    for (const Song& s : first.songs) {
        check(!s.path.isEmpty() && s.path.size() <= playlistpaths::kMaxPathLength &&
              !s.path.contains(QChar(0)));
        check(!s.name.contains(QLatin1Char('\n')) && !s.name.contains(QLatin1Char('\r')));
        // Line breaks cannot be saved (the save refuses them); Windows paths without a drive do not travel.
        if (s.path.startsWith(QLatin1Char('/')) && !s.path.contains(QLatin1Char('\n')) &&
            !s.path.contains(QLatin1Char('\r')))
            local.append(s);
    }
    const PlaylistRead again = format.parse(format.serialize(local, kFolder), kFolder, kLimit);
    check(again.status == PlaylistRead::Status::Ok && again.skipped == 0);
    check(again.songs.size() == local.size());
    for (qsizetype i = 0; i < local.size(); ++i) {
        check(again.songs[i].path == QDir::cleanPath(local[i].path));
        check(expectedName(again.songs[i]) == expectedName(local[i]));
    }
    return 0;
}
