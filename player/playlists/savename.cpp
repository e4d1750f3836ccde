#include "savename.h"

#include <QFileInfo>

#include "playlistfile.h"
#include "playlistformats.h"

namespace player {

namespace {

QString withExtension(const QString& path, const QString& extension) {
    const QString name = QFileInfo(path).fileName();
    if (name.endsWith(QLatin1Char('.')))
        return path + extension;
    if (!QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + extension;
}

} // namespace

SaveTarget saveTarget(const QString& chosen, int filterIndex) {
    SaveTarget t;
    t.path = chosen;
    if (PlaylistFile::hasPlaylistName(chosen) || chosen.endsWith(QLatin1String(".mdp"), Qt::CaseInsensitive))
        return t;
    if (const PlaylistFormat* typed = playlistformats::byExtension(chosen)) {
        t.format = typed;
    } else {
        const QList<const PlaylistFormat*>& offered = playlistformats::offeredForSaving();
        if (filterIndex >= 1 && filterIndex <= offered.size()) {
            t.format = offered[filterIndex - 1];
            t.path = chosen + QLatin1Char('.') + t.format->extension();
        } else if (!QFileInfo::exists(chosen)) {
            // A file picked in the dialog is the one the user means, whatever its name.
            t.path = withExtension(chosen, QStringLiteral("mdp"));
        }
    }
    const QFileInfo target(t.path);
    t.asksToReplace = t.format && (target.exists() || target.isSymLink());
    return t;
}

} // namespace player
