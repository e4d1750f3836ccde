#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <deque>
#include <functional>

#include "songlist.h"

class QListWidget;

namespace player {

// Paths that come from outside the program (the command line, a second start, a drop on the list) become
// song list entries: a song file of any format the engine plays is one entry, a folder brings its songs in
// name order as "Add directory" does, a playlist brings its entries. The work is done in short slices with
// the event loop running between them, so tens of thousands of files keep the window responsive; whatever was
// not a song, and a list that ran full, are told once per request.
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
    // playlist.
    struct Expansion {
        QList<Song> songs;
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
        bool full = false;
    };

    void scheduleStep();
    void step();
    void finish(Request& r);
    void setBusy(bool busy);

    SongList m_list;
    std::deque<Request> m_queue;
    std::function<bool()> m_hold;
    bool m_busy = false;
    bool m_stepQueued = false;
};

} // namespace player
