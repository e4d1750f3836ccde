#pragma once

#include <QString>

#include "playlists/playlistfile.h"
#include "songlist.h"

namespace player {

class MissingFiles;

// The song list's user commands, apart from the window they are reached from: each asks through the prompt
// seam, acts on the list and reads like the steps the user sees.
namespace songlistcommands {

inline const QString kTitle = QStringLiteral("Deckmora");
inline const QString kPlaylistOpenFilter = QStringLiteral("playlist files (*.mdp)|*.mdp");
inline const QString kPlaylistSaveFilter = QStringLiteral("Playlist files|*.mdp");
// The dialogs' filters with the formats of other programs: every playlist first when opening, our own format
// first (the default) when saving.
QString playlistOpenFilter();
QString playlistSaveFilter();
inline const QString kMusicFilter = QStringLiteral("Music  files (*.mp3;*.wav)|*.mp3;*.wav;");

// Appends until the list is full; when some songs did not fit, tells the user once. False when that happened.
bool appendSongs(SongList& list, const QList<Song>& songs);
bool appendSong(SongList& list, const QString& name, const QString& path);
// The notice for a full list.
void noticeListFull();

// Open (replace = true) and Add Playlist (replace = false): asks for a file, then loads it.
void openPlaylist(SongList& list, bool replace);
// The one way a playlist file of any format enters the list (dialogs, drops, the command line). The format is
// told by the content first and the name second; .mdp files keep their own rules (only names ending in
// "mdp"). Replacing empties the list only once the file was recognised. Says what was skipped or did not fit
// in one notice, and why a file was not opened at all.
void loadPlaylist(SongList& list, const QString& path, bool replace);
// For callers that gather songs before they reach the list (drops, the command line): whether a file is taken
// for a playlist of any format, and its songs, as loadPlaylist would read them.
bool isPlaylistName(const QString& fileName);
PlaylistFile::ReadResult readPlaylist(const QString& path);

enum class SaveOutcome {
    Cancelled,  // the save dialog was cancelled
    Written,    // the file holds the list (first attempt, Overwrite or Append)
    NotWritten, // "Do nothing", or the second try failed as well
};
// The format and the name follow saveTarget (a name without an extension gets the chosen format's); another
// program's playlist that is there already is replaced only after the user said Yes.
SaveOutcome savePlaylist(SongList& list);
void newPlaylist(SongList& list);

// "Add mp3 - wav".
void addFile(SongList& list);
// Only these exact endings count as songs in the file dialog's answer.
bool hasSongExtension(const QString& fileName);

// "Remove from playlist" and "From list".
void removeFromList(SongList& list);
// "Remove from computer": delete the file, then remove the entry.
void removeFromComputer(SongList& list);
// "From pc": remove the entry, then delete the file and say so.
void removeFromPc(SongList& list);

// "Remove missing": takes out, after one question, the entries whose file is still missing.
void removeMissing(SongList& list, MissingFiles& missing);

// Whether a path may be deleted from disk on the user's word: a playlist can name any file under any display
// name, so only a regular file ending in .mp3 or .wav (any letter case) qualifies.
enum class Deletable { Yes, Missing, NotASong, NotAFile };
Deletable deletable(const QString& path);

} // namespace songlistcommands

} // namespace player
