#pragma once

#include "playlistformat.h"

namespace player {

// PLS: an INI-like "[playlist]" section with FileN, TitleN and LengthN keys. Keys are taken in any order and
// letter case, entries in the order of their numbers; NumberOfEntries is not trusted.
class PlsFormat : public PlaylistFormat {
public:
    QString description() const override;
    QString extension() const override;
    bool recognises(QStringView head) const override;
    PlaylistRead parse(const QByteArray& bytes, const QString& folder, int limit) const override;
    QByteArray serialize(const QList<Song>& songs, const QString& folder) const override;
};

} // namespace player
