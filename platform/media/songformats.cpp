#include "media/songformats.h"

namespace platform::media {

const QStringList& songExtensions() {
    // libmpg123: mp3. libsndfile: wav, aiff, flac, ogg (Vorbis), opus, caf. FFmpeg: m4a (AAC, ALAC), raw aac,
    // wma, wv, and an ogg whose codec libsndfile does not know.
    static const QStringList kExtensions = {
        QStringLiteral("mp3"), QStringLiteral("wav"),  QStringLiteral("flac"), QStringLiteral("ogg"),
        QStringLiteral("oga"), QStringLiteral("opus"), QStringLiteral("m4a"),  QStringLiteral("aac"),
        QStringLiteral("aif"), QStringLiteral("aiff"), QStringLiteral("aifc"), QStringLiteral("wma"),
        QStringLiteral("caf"), QStringLiteral("wv")};
    return kExtensions;
}

bool isSongFileName(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || fileName.indexOf(QLatin1Char('/'), dot) >= 0)
        return false;
    const QStringView ending = QStringView(fileName).mid(dot + 1);
    for (const QString& e : songExtensions())
        if (ending.compare(e, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QString songFilePattern() {
    QStringList globs;
    for (const QString& e : songExtensions())
        globs << QStringLiteral("*.") + e;
    return globs.join(QLatin1Char(';'));
}

const QStringList& songMimeTypes() {
    static const QStringList kTypes = {
        QStringLiteral("audio/mpeg"),         QStringLiteral("audio/mp3"),
        QStringLiteral("audio/x-mp3"),        QStringLiteral("audio/x-mpeg"),
        QStringLiteral("audio/wav"),          QStringLiteral("audio/x-wav"),
        QStringLiteral("audio/vnd.wave"),     QStringLiteral("audio/flac"),
        QStringLiteral("audio/x-flac"),       QStringLiteral("audio/ogg"),
        QStringLiteral("audio/x-vorbis+ogg"), QStringLiteral("audio/x-opus+ogg"),
        QStringLiteral("audio/opus"),         QStringLiteral("audio/mp4"),
        QStringLiteral("audio/x-m4a"),        QStringLiteral("audio/aac"),
        QStringLiteral("audio/x-aac"),        QStringLiteral("audio/x-aiff"),
        QStringLiteral("audio/aiff"),         QStringLiteral("audio/x-aifc"),
        QStringLiteral("audio/x-ms-wma"),     QStringLiteral("audio/x-caf"),
        QStringLiteral("audio/x-wavpack")};
    return kTypes;
}

} // namespace platform::media
