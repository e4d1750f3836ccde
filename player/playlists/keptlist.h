#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "console/songlist.h"

namespace player {

// The song list as it is kept between runs: every entry exactly as held (any character a path or name may
// hold, line breaks included) and the selected row, closed by a checksum, so a file cut short or changed on
// disk is known for damaged as a whole and never taken half-read.
namespace keptlist {

struct Kept {
    QList<Song> songs;
    int selected = -1;
};

QByteArray encode(const Kept& kept);
// Nothing when the bytes are not a whole kept list.
std::optional<Kept> decode(const QByteArray& bytes);

enum class ReadStatus { Ok, None, Damaged };
struct ReadResult {
    ReadStatus status = ReadStatus::None;
    Kept kept;
    QString setAside; // where a damaged file was moved
};
// A missing file is an empty list; a damaged one is moved aside (beside it, ".damaged" added) and not used.
ReadResult read(const QString& path);
// Whole or not at all: the old file stays until the new one is completely on disk. Empty when written, else
// the reason.
QString write(const QString& path, const Kept& kept);

} // namespace keptlist

} // namespace player
