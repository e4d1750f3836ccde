#include "songintake.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include "media/decoder.h"
#include "media/songformats.h"
#include "songlistcommands.h"
#include "ui/filelists.h"
#include "ui/prompts.h"

namespace player {

namespace {

// One slice of work: short enough that input and painting go on between slices.
constexpr qint64 kSliceMs = 8;
// Entries appended to the list controls at a time.
constexpr qsizetype kChunk = 2048;
// How often a held intake looks again.
constexpr int kHoldMs = 50;
// Paths named in the notice; the rest are counted.
constexpr qsizetype kNamedRejects = 10;

} // namespace

SongIntake::SongIntake(QListWidget* names, QListWidget* files, QObject* parent)
    : QObject(parent), m_list(names, files) {}

bool SongIntake::isSongName(const QString& fileName) {
    return platform::media::isSongFileName(fileName);
}

SongIntake::Expansion SongIntake::expand(const QString& path) {
    Expansion e;
    const QFileInfo info(path);
    if (info.isDir()) {
        const QString folder = info.absoluteFilePath();
        for (const QString& name : platform::listFiles(folder, platform::media::songFilePattern()))
            e.songs.append({platform::joinPath(folder, name), name});
        for (const QString& name : platform::listFolders(folder))
            e.folders.append(platform::joinPath(folder, name));
        return e;
    }
    if (!info.isFile()) {
        e.rejected = true;
        return e;
    }
    if (songlistcommands::isPlaylistName(path)) {
        PlaylistFile::ReadResult playlist = songlistcommands::readPlaylist(path);
        if (playlist.status == PlaylistFile::Status::Ok || playlist.status == PlaylistFile::Status::Truncated)
            e.songs = std::move(playlist.songs);
        else
            e.rejected = true;
        return e;
    }
    // A file named here one by one may be looked into: a song without its usual extension still plays.
    if (isSongName(info.fileName()) || platform::media::openDecoder(path).decoder)
        e.songs.append({path, info.fileName()});
    else
        e.rejected = true;
    return e;
}

QString SongIntake::rejectedNotice(const QStringList& rejected) {
    QString text =
        QStringLiteral("These were not added: they are not songs Deckmora plays, playlists or folders.");
    for (qsizetype i = 0; i < std::min(rejected.size(), kNamedRejects); ++i)
        text += QStringLiteral("\r\n") + rejected[i];
    if (rejected.size() > kNamedRejects)
        text += QStringLiteral("\r\n... and %1 more.").arg(rejected.size() - kNamedRejects);
    return text;
}

void SongIntake::add(const QStringList& paths) {
    Request r;
    r.paths = paths;
    m_queue.push_back(std::move(r));
    setBusy(true);
    scheduleStep();
}

void SongIntake::scheduleStep() {
    if (m_stepQueued)
        return;
    m_stepQueued = true;
    QTimer::singleShot(m_hold && m_hold() ? kHoldMs : 0, this, [this] {
        m_stepQueued = false;
        step();
    });
}

void SongIntake::step() {
    // A notice's own event loop may bring another request: it joins the queue and waits for this step.
    m_stepQueued = true;
    if (m_hold && m_hold()) {
        m_stepQueued = false;
        scheduleStep();
        return;
    }
    QElapsedTimer slice;
    slice.start();
    while (!m_queue.empty() && slice.elapsed() < kSliceMs) {
        Request& r = m_queue.front();
        const bool expanded = r.next == r.paths.size();
        const qsizetype room = m_list.room();
        if (!r.pending.isEmpty() && (expanded || r.pending.size() >= std::min(kChunk, room))) {
            const QList<Song> chunk = r.pending.first(std::min(kChunk, r.pending.size()));
            r.pending.remove(0, chunk.size());
            if (m_list.append(chunk) < chunk.size())
                r.full = true;
        } else if (!expanded && room <= 0) {
            r.full = true;
        } else if (!expanded) {
            const QString path = r.paths[r.next++];
            const QFileInfo info(path);
            if (!info.isDir() || takeFolder(r, info)) {
                Expansion e = expand(path);
                if (e.rejected)
                    r.rejected.append(path);
                else
                    r.pending.append(std::move(e.songs));
                // Depth first: the sub-folders come before whatever followed their folder.
                for (qsizetype i = 0; i < e.folders.size(); ++i)
                    r.paths.insert(r.next + i, e.folders[i]);
            }
        }
        if (r.full) {
            // What is left of this request cannot go in, and is not even looked at.
            r.pending.clear();
            r.next = r.paths.size();
        }
        if (r.next == r.paths.size() && r.pending.isEmpty()) {
            Request done = std::move(r);
            m_queue.pop_front();
            // The notices are modal: the next request waits until they are answered.
            finish(done);
        }
    }
    m_stepQueued = false;
    if (m_queue.empty())
        setBusy(false);
    else
        scheduleStep();
}

bool SongIntake::takeFolder(Request& r, const QFileInfo& folder) {
    const QString real = folder.canonicalFilePath();
    if (real.isEmpty() || r.folders.contains(real))
        return false;
    r.folders.insert(real);
    return true;
}

void SongIntake::finish(Request& r) {
    if (r.full)
        songlistcommands::noticeListFull();
    if (!r.rejected.isEmpty())
        platform::notice(rejectedNotice(r.rejected), songlistcommands::kTitle);
}

void SongIntake::setBusy(bool busy) {
    if (m_busy == busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
}

} // namespace player
