#include "songlistcommands.h"

#include <QFile>
#include <QFileInfo>
#include <optional>

#include "missingfiles.h"
#include "playlists/playlistfile.h"
#include "playlists/playlistformats.h"
#include "playlists/savename.h"
#include "ui/prompts.h"

namespace player {

using platform::Answer;
using platform::Buttons;
using platform::Icon;
using platform::prompts;

namespace songlistcommands {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

platform::FileDialogResult askOpen(const QString& filter) {
    platform::FileDialogRequest request;
    request.filter = filter;
    return prompts().openFile(request);
}

void noticeNotWritten(const QString& path, const QString& why) {
    platform::notice(path + kCrLf + QStringLiteral("could not be written: ") + why, kTitle);
}

// Refuses, or deletes and reports; true when the file is gone from disk (or was gone already).
bool deleteSongFile(const QString& path, Deletable d) {
    switch (d) {
    case Deletable::NotASong:
    case Deletable::NotAFile:
        platform::notice(path + kCrLf + QStringLiteral("is not an MP3 or WAV file and was not deleted."),
                         kTitle);
        return false;
    case Deletable::Missing:
        return true;
    case Deletable::Yes:
        break;
    }
    QFile f(path);
    if (f.remove())
        return true;
    platform::notice(path + kCrLf + QStringLiteral("could not be deleted: ") + f.errorString(), kTitle);
    return false;
}

} // namespace

namespace {

QString listFullText() {
    return QStringLiteral("The song list is full: it holds at most %1 songs.").arg(SongList::kMaxEntries) +
           kCrLf + QStringLiteral("The songs beyond were not added.");
}

} // namespace

void noticeListFull() {
    platform::notice(listFullText(), kTitle);
}

bool appendSongs(SongList& list, const QList<Song>& songs) {
    if (list.append(songs) == songs.size())
        return true;
    noticeListFull();
    return false;
}

bool appendSong(SongList& list, const QString& name, const QString& path) {
    if (list.append(name, path))
        return true;
    noticeListFull();
    return false;
}

bool isPlaylistName(const QString& fileName) {
    return PlaylistFile::hasPlaylistName(fileName) || playlistformats::byExtension(fileName) != nullptr;
}

PlaylistFile::ReadResult readPlaylist(const QString& path) {
    const QString head = playlistformats::head(path);
    const bool ownByName = PlaylistFile::hasPlaylistName(path);
    const PlaylistFormat* format =
        ownByName && head.startsWith(PlaylistFile::kHeader) ? nullptr : playlistformats::detect(path, head);
    // One song more than the list holds: a caller that appends them then learns that the list is full.
    constexpr int kLimit = SongList::kMaxEntries + 1;
    if (!format)
        return ownByName ? PlaylistFile::read(path, kLimit) : PlaylistFile::ReadResult{};
    PlaylistRead read = playlistformats::read(path, *format, kLimit);
    PlaylistFile::ReadResult result;
    switch (read.status) {
    case PlaylistRead::Status::Ok:
        result.status = PlaylistFile::Status::Ok;
        break;
    case PlaylistRead::Status::Damaged:
        result.status = PlaylistFile::Status::Truncated;
        break;
    case PlaylistRead::Status::Invalid:
        result.status = PlaylistFile::Status::BadHeader;
        break;
    case PlaylistRead::Status::Unreadable:
        result.status = PlaylistFile::Status::Unreadable;
        break;
    }
    result.songs = std::move(read.songs);
    result.skipped = read.skipped;
    result.more = read.more;
    return result;
}

QString playlistOpenFilter() {
    QStringList every{QStringLiteral("*.mdp")};
    QString others;
    for (const PlaylistFormat* f : playlistformats::all()) {
        every << QStringLiteral("*.") + f->extension();
        others += QLatin1Char('|') + f->description() + QStringLiteral("|*.") + f->extension();
    }
    return QStringLiteral("Playlists|") + every.join(QLatin1Char(';')) + QLatin1Char('|') +
           kPlaylistOpenFilter + others + QStringLiteral("|All files|*");
}

QString playlistSaveFilter() {
    QString filter = kPlaylistSaveFilter;
    for (const PlaylistFormat* f : playlistformats::offeredForSaving())
        filter += QLatin1Char('|') + f->description() + QStringLiteral("|*.") + f->extension();
    return filter;
}

void openPlaylist(SongList& list, bool replace) {
    const platform::FileDialogResult chosen = askOpen(playlistOpenFilter());
    if (chosen.cancelled())
        return;
    loadPlaylist(list, chosen.fileName, replace);
}

namespace {

// Whatever a read left out is told in one notice.
void noticeLeftOut(const std::optional<QString>& damage, bool full, int skipped, const QString& skippedWhat) {
    QStringList told;
    if (damage)
        told << QStringLiteral("The playlist is damaged; the songs before the damage were added.") + kCrLf +
                    *damage;
    if (full)
        told << listFullText();
    if (skipped > 0)
        told << (skipped == 1 ? QStringLiteral("1 entry was skipped")
                              : QStringLiteral("%1 entries were skipped").arg(skipped)) +
                    skippedWhat;
    if (!told.isEmpty())
        platform::notice(told.join(kCrLf + kCrLf), kTitle);
}

const QString kTooLarge = QStringLiteral("It is too large to be a playlist.");
const QString kNotAPlaylist = QStringLiteral(
    "was not opened: the names of Deckmora playlists end in \".mdp\" (in lower case), and its content is "
    "no M3U, PLS or XSPF playlist either.");

void loadOwnPlaylist(SongList& list, const QString& path, bool replace) {
    const PlaylistFile::ReadResult playlist =
        PlaylistFile::read(path, replace ? SongList::kMaxEntries : std::max(0, list.room()));
    if (playlist.status == PlaylistFile::Status::BadHeader) {
        prompts().message(QStringLiteral("Not a valid playlist file"), Buttons::Ok, Icon::Information,
                          kTitle);
        return;
    }
    if (playlist.status == PlaylistFile::Status::TooLarge) {
        platform::notice(path + kCrLf + QStringLiteral("cannot be read: ") + kTooLarge, kTitle);
        return;
    }
    if (playlist.status == PlaylistFile::Status::Unreadable)
        return;
    if (replace)
        list.clear();
    const bool full = list.append(playlist.songs) < playlist.songs.size() || playlist.more;
    noticeLeftOut(std::nullopt, full, playlist.skipped,
                  QStringLiteral(": paths longer than any file system takes are not added."));
}

} // namespace

void loadPlaylist(SongList& list, const QString& path, bool replace) {
    const QString head = playlistformats::head(path);
    const bool ownByName = PlaylistFile::hasPlaylistName(path);
    const PlaylistFormat* format =
        ownByName && head.startsWith(PlaylistFile::kHeader) ? nullptr : playlistformats::detect(path, head);
    if (!format) {
        if (ownByName)
            loadOwnPlaylist(list, path, replace);
        else
            platform::notice(path + kCrLf + kNotAPlaylist, kTitle, Icon::Information);
        return;
    }
    const int room = replace ? SongList::kMaxEntries : std::max(0, list.room());
    const PlaylistRead read = playlistformats::read(path, *format, room);
    switch (read.status) {
    case PlaylistRead::Status::Unreadable:
        platform::notice(path + kCrLf + QStringLiteral("cannot be read: ") + read.error, kTitle);
        return;
    case PlaylistRead::Status::Invalid:
        prompts().message(QStringLiteral("Not a valid playlist file") +
                              (read.error.isEmpty() ? QString() : kCrLf + read.error),
                          Buttons::Ok, Icon::Information, kTitle);
        return;
    case PlaylistRead::Status::Ok:
    case PlaylistRead::Status::Damaged:
        break;
    }
    if (replace)
        list.clear();
    const bool full = list.append(read.songs) < read.songs.size() || read.more;
    noticeLeftOut(read.status == PlaylistRead::Status::Damaged ? std::optional(read.error) : std::nullopt,
                  full, read.skipped,
                  QStringLiteral(": streams, web addresses and paths that cannot name a file on this "
                                 "computer are not added."));
}

SaveOutcome savePlaylist(SongList& list) {
    platform::FileDialogRequest request;
    request.filter = playlistSaveFilter();
    const platform::FileDialogResult chosen = prompts().saveFile(request);
    if (chosen.cancelled())
        return SaveOutcome::Cancelled;
    const SaveTarget target = saveTarget(chosen.fileName, chosen.filterIndex);
    const QString& path = target.path;
    const PlaylistFormat* format = target.format;
    const QList<Song> songs = list.visitAll();
    if (const qsizetype bad = PlaylistFile::firstUnstorable(songs); bad >= 0) {
        platform::notice(
            songs[bad].path + kCrLf +
                QStringLiteral("holds a line break and cannot be stored in a playlist; nothing was saved."),
            kTitle);
        return SaveOutcome::NotWritten;
    }
    if (target.asksToReplace &&
        prompts().ask(path + kCrLf + QStringLiteral("already exists. Do you want to replace it?"),
                      Buttons::YesNo, Icon::Question, kTitle, Answer::No) != Answer::Yes)
        return SaveOutcome::NotWritten;
    if (format) {
        // Another program's format has no append; a failed write leaves the old file whole and says why.
        const PlaylistFile::WriteResult w = playlistformats::write(path, *format, songs);
        if (w.ok)
            return SaveOutcome::Written;
        noticeNotWritten(path, w.error);
        return SaveOutcome::NotWritten;
    }
    if (PlaylistFile::write(path, songs, PlaylistFile::Mode::Create).ok)
        return SaveOutcome::Written;

    const Answer answer = prompts().message(
        QStringLiteral("What are you trying to do?") + kCrLf + QStringLiteral("Overwrite? Press Yes") +
            kCrLf + QStringLiteral("Append? Press No") + kCrLf + QStringLiteral("Do nothing? Press Cancel"),
        Buttons::YesNoCancel, Icon::Question, kTitle);
    PlaylistFile::WriteResult again;
    if (answer == Answer::Yes) {
        // Only a plain file that refuses writing is deleted before the second try: one that can be written is
        // replaced whole by the write itself, and stays as it was if that fails too (a full disk). A device
        // or a folder under that name is left alone.
        const QFileInfo target(path);
        if ((target.isSymLink() || target.isFile()) && !target.isWritable())
            QFile::remove(path);
        again = PlaylistFile::write(path, songs, PlaylistFile::Mode::Create);
    } else if (answer == Answer::No) {
        again = PlaylistFile::write(path, songs, PlaylistFile::Mode::Append);
    } else {
        return SaveOutcome::NotWritten;
    }
    if (again.ok)
        return SaveOutcome::Written;
    noticeNotWritten(path, again.error);
    return SaveOutcome::NotWritten;
}

void newPlaylist(SongList& list) {
    const Answer answer =
        prompts().message(QStringLiteral("Save current playlist?"), Buttons::YesNo, Icon::Question, kTitle);
    // The list goes only once it is safe in a file, or when the user did not want it kept; Escape or the
    // box's close button call it all off.
    if (answer == Answer::Cancel)
        return;
    if (answer == Answer::Yes && savePlaylist(list) != SaveOutcome::Written)
        return;
    list.clear();
}

bool hasSongExtension(const QString& fileName) {
    const QString ending = fileName.right(3);
    return ending == QLatin1String("WAV") || ending == QLatin1String("wav") ||
           ending == QLatin1String("mp3") || ending == QLatin1String("MP3");
}

void addFile(SongList& list) {
    const platform::FileDialogResult chosen = askOpen(kMusicFilter);
    if (!hasSongExtension(chosen.fileName))
        return;
    const QString title =
        chosen.fileTitle.isEmpty() ? QFileInfo(chosen.fileName).fileName() : chosen.fileTitle;
    appendSong(list, title, chosen.fileName);
}

void removeMissing(SongList& list, MissingFiles& missing) {
    // Marks may be old: a file that came back since keeps its entry.
    QList<int> rows;
    for (int row : missing.missingRows())
        if (missing.recheck(row))
            rows.append(row);
    if (rows.isEmpty()) {
        platform::notice(QStringLiteral("No song in the list is missing its file."), kTitle,
                         Icon::Information);
        return;
    }
    const QString question =
        rows.size() == 1
            ? QStringLiteral("Remove the song whose file is missing from the list?")
            : QStringLiteral("Remove the %1 songs whose files are missing from the list?").arg(rows.size());
    if (prompts().ask(question, Buttons::YesNo, Icon::Question, QStringLiteral("Remove missing"),
                      Answer::No) != Answer::Yes)
        return;
    list.remove(rows);
}

Deletable deletable(const QString& path) {
    const QFileInfo info(path);
    const QString name = info.fileName();
    if (!name.endsWith(QLatin1String(".mp3"), Qt::CaseInsensitive) &&
        !name.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive))
        return Deletable::NotASong;
    if (info.isSymLink()) // removing a link never touches what it points to
        return Deletable::Yes;
    if (!info.exists())
        return Deletable::Missing;
    return info.isFile() ? Deletable::Yes : Deletable::NotAFile;
}

void removeFromList(SongList& list) {
    const auto song = list.selectedSong();
    if (!song)
        return;
    list.remove(song->index);
}

void removeFromComputer(SongList& list) {
    if (prompts().ask(QStringLiteral("Are you sure you want to delete this file from disk?"), Buttons::YesNo,
                      Icon::Question, QStringLiteral("Delete file?"), Answer::No) != Answer::Yes)
        return;
    const auto song = list.selectedSong();
    if (!song)
        return;
    // The entry goes only with its file, so a refused or failed delete leaves the list as it was.
    if (deleteSongFile(song->path, deletable(song->path)))
        list.remove(song->index);
}

void removeFromPc(SongList& list) {
    if (prompts().ask(QStringLiteral("Are you sure you want to remove this song from the HDD?"),
                      Buttons::YesNo, Icon::Question, QStringLiteral("Remove song from PC?"),
                      Answer::No) != Answer::Yes)
        return;
    const auto song = list.selectedSong();
    if (!song)
        return;
    const Deletable d = deletable(song->path);
    if (d == Deletable::NotASong || d == Deletable::NotAFile) {
        deleteSongFile(song->path, d); // refuses with a notice; the entry stays
        return;
    }
    list.remove(song->index);
    if (d == Deletable::Missing)
        return;
    if (deleteSongFile(song->path, d))
        prompts().message(song->path + kCrLf + QStringLiteral("was deleted from your HDD"), Buttons::Ok,
                          Icon::Information, QStringLiteral("Song removed"));
}

} // namespace songlistcommands

} // namespace player
