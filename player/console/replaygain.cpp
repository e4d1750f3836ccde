// ReplayGain tags, the levelling's fallback for songs the analysis has not measured.
#include <QFile>
#include <cmath>
#include <taglib/fileref.h>
#include <taglib/tfile.h>
#include <taglib/tpropertymap.h>

#include "automix.h"

namespace player {

namespace {
// "-6.54 dB", "0.988" (taggers write either, with or without the unit).
std::optional<double> number(const TagLib::PropertyMap& tags, const char* key) {
    const auto it = tags.find(key);
    if (it == tags.end() || it->second.isEmpty())
        return std::nullopt;
    QString text = QString::fromStdString(it->second.front().to8Bit(true)).trimmed();
    if (text.endsWith(QStringLiteral("dB"), Qt::CaseInsensitive))
        text.chop(2);
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    return ok && std::isfinite(v) ? std::optional<double>(v) : std::nullopt;
}
} // namespace

automix::ReplayGain readReplayGain(const QString& path) {
    const TagLib::FileRef file(QFile::encodeName(path).constData(), false);
    if (file.isNull())
        return {};
    const TagLib::PropertyMap tags = file.file()->properties();
    return {number(tags, "REPLAYGAIN_TRACK_GAIN"), number(tags, "REPLAYGAIN_TRACK_PEAK")};
}

} // namespace player
