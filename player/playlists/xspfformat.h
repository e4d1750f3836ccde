#pragma once

#include "playlistformat.h"

namespace player {

// XSPF: XML with a trackList of tracks, each with a location (a URI), a title and a creator. Entities are
// never expanded and nothing outside the file is read: a document that declares entities is refused.
class XspfFormat : public PlaylistFormat {
public:
    QString description() const override;
    QString extension() const override;
    bool recognises(QStringView head) const override;
    PlaylistRead parse(const QByteArray& bytes, const QString& folder, int limit) const override;
    QByteArray serialize(const QList<Song>& songs, const QString& folder) const override;
};

} // namespace player
