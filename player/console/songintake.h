#pragma once

#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <deque>
#include <functional>

#include "songlist.h"

class QFileInfo;
class QListWidget;

namespace player {

// Paths that come from outside the program (the command line, a second start, a drop on the list) become
// song list entries: a song file of any format the engine plays is one entry, a folder brings its songs in
// name order and then each sub-folder's, depth first, a playlist brings its entries. The work is done in
// short slices with the event loop running between them, so tens of thousands of files keep the window
// responsive; whatever was not a song, and a list that ran full, are told once per request.
class SongIntake : public QObject {
    Q_OBJECT
public:
    SongIntake(QListWidget* names, QListWidget* files, QObject* parent = nullptr);

    // Queues `paths` behind any request still being added.
    void add(const QStringList& paths);
    bool busy() const { return m_busy; }
    // While `hold` says so (another command is filling the list), the intake waits, so the two do not
    // interleave their songs.
    void setHold(std::function<bool()> hold) { m_hold = std::move(hold); }

    // What one path brings: its songs, or nothing when it is neither a song, a folder nor a readable
    // playlist. A folder brings its own songs and names its sub-folders, in name order, for the caller to
    // take next.
    struct Expansion {
        QList<Song> songs;
        QStringList folders;
        bool rejected = false;
    };
    static Expansion expand(const QString& path);
    // A file name that may be a song: it ends in the extension of a format the engine plays, in any letter
    // case.
    static bool isSongName(const QString& fileName);
    // The one notice for the paths a request could not use.
    static QString rejectedNotice(const QStringList& rejected);

signals:
    void busyChanged(bool busy);

private:
    struct Request {
        QStringList paths;
        qsizetype next = 0;
        QList<Song> pending; // expanded, not yet in the list
        QStringList rejected;
        QSet<QString> folders; // taken already, by their real path: a link back up is not walked again
        bool full = false;
    };

    void scheduleStep();
    void step();
    // False for a folder this request took already (a link to a folder above it) or cannot resolve.
    static bool takeFolder(Request& r, const QFileInfo& folder);
    void finish(Request& r);
    void setBusy(bool busy);

    SongList m_list;
    std::deque<Request> m_queue;
    std::function<bool()> m_hold;
    bool m_busy = false;
    bool m_stepQueued = false;
};

} // namespace player
