#pragma once

#include <QString>

namespace player {

// How songs are named inside playlists that travel between programs and machines: absolute paths, paths
// relative to the playlist's folder, file:// URLs, Windows paths, and addresses of streams that are no files.
namespace playlistpaths {

// A path longer than any file system takes names no file; it is not taken into the list.
constexpr int kMaxPathLength = 4096;
// Far longer than any title a list can show; a longer one is damage, not a name.
constexpr int kMaxNameLength = 1024;
// The same percent-encoded: up to three UTF-8 bytes a character, three characters a byte.
constexpr int kMaxUriLength = 9 * kMaxPathLength;

struct Entry {
    enum class Kind {
        File,     // `path` names a file on this computer (it need not exist)
        Remote,   // a stream or a web address, or a file:// URL of another host
        Unusable, // empty, too long, or holding a NUL character
    };
    Kind kind = Kind::Unusable;
    QString path;
};

// Resolves one entry of a playlist in `folder`. A relative path is taken from that folder, a Windows path
// with a drive letter (or a share, or a root without a drive) cannot be resolved here and is kept as written.
// `isUri` says the text is a URI reference (XSPF), so a relative one is percent-decoded as well.
Entry resolve(const QString& text, const QString& folder, bool isUri = false);

// Paths as a playlist in one folder stores them; the folders are looked at once, not once a song.
class Store {
public:
    explicit Store(const QString& folder);
    // See stored() and storedUri().
    QString path(const QString& songPath) const;
    QString uri(const QString& songPath) const;
    // The URI, percent-encoded ASCII, at the end of `out`.
    void appendUri(QByteArray& out, const QString& songPath) const;

private:
    QString m_prefix; // the folder and a slash; empty for the root, under which nothing is made relative
    QString m_cwd;
};

// The path a playlist in `folder` stores for `songPath`: relative to the folder when the song lies under it,
// else absolute. Windows paths are stored as written.
QString stored(const QString& songPath, const QString& folder);

// The same as a URI reference for XSPF: percent-encoded, relative when under the folder, else a file:// URL.
QString storedUri(const QString& songPath, const QString& folder);

// The display name of a song that came without one: the file's name with its extension, without its folder.
QString fileName(const QString& path);

// The same, on one line, for a list entry.
QString displayName(const QString& path);

// Line breaks and other control characters cannot stand in a one-line title; they become blanks. Half a
// character (a lone surrogate) cannot be written in any encoding; it becomes U+FFFD.
QString oneLine(const QString& text);
// Only the half characters replaced, for text that may span lines (a location before it is resolved).
QString wholeCharacters(const QString& text);
// At most kMaxNameLength characters, never cutting a character that takes two UTF-16 units in half, so a cut
// name is written and read back unchanged.
QString cutName(QStringView text);

bool isWindowsRooted(const QString& path);

} // namespace playlistpaths

} // namespace player
