#pragma once

#include "playlistformat.h"

namespace player {

// M3U and M3U8: one path or URL a line; "#EXTM3U" starts an extended list, whose "#EXTINF:<seconds>,<title>"
// gives the next entry's display name. Both are read the same way (UTF-8 when valid, else Windows-1252);
// .m3u8 is written in UTF-8, .m3u in Windows-1252 when every character fits.
class M3uFormat : public PlaylistFormat {
public:
    explicit M3uFormat(bool utf8) : m_utf8(utf8) {}
    QString description() const override;
    QString extension() const override;
    bool recognises(QStringView head) const override;
    PlaylistRead parse(const QByteArray& bytes, const QString& folder, int limit) const override;
    QByteArray serialize(const QList<Song>& songs, const QString& folder) const override;

    // The title of an "#EXTINF:" line, given what follows the colon; empty when there is none.
    static QString extinfTitle(QStringView rest);

private:
    bool m_utf8;
};

} // namespace player
