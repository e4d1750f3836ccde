#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

#include "playlists/keptlist.h"
#include "songlist.h"

namespace player {

// Keeps the song list across runs: restores it at start, then writes it (with the selection) to the
// configuration folder a moment after it changes. The file is written on a worker, so a large list never
// holds up the window; the list itself is read on the UI thread, where its controls live.
class ListKeeper : public QObject {
public:
    // Changes within this time are written once.
    static constexpr int kDelayMs = 400;

    ListKeeper(SongList list, QString path, QObject* parent = nullptr);
    ~ListKeeper() override; // writes what is still to be written

    // The kept file beside the settings store's.
    static QString defaultPath();

    // Replaces the list by the kept one and starts watching. What was damaged is moved aside: its new place
    // is returned, empty when all was well.
    QString restore();
    // Writes now what waits for the delay, and returns once it is on disk.
    void flush();
    // The reason the last write failed; empty after a good one.
    QString lastError();

private:
    void changed();
    void takeSnapshot();
    void work();

    SongList m_list;
    QString m_path;
    QTimer m_delay;
    bool m_watching = false;

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::optional<keptlist::Kept> m_next;
    bool m_writing = false;
    bool m_stop = false;
    QString m_error;
    std::thread m_worker;
};

} // namespace player
