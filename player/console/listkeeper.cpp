#include "listkeeper.h"

#include <QAbstractItemModel>
#include <QFileInfo>
#include <QItemSelectionModel>

#include "core/settingsstore.h"

namespace player {

ListKeeper::ListKeeper(SongList list, QString path, QObject* parent)
    : QObject(parent), m_list(list), m_path(std::move(path)) {
    m_delay.setSingleShot(true);
    m_delay.setInterval(kDelayMs);
    connect(&m_delay, &QTimer::timeout, this, &ListKeeper::takeSnapshot);
    m_worker = std::thread([this] { work(); });
}

ListKeeper::~ListKeeper() {
    flush();
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_worker.join();
}

QString ListKeeper::defaultPath() {
    return QFileInfo(platform::SettingsStore::filePath(QStringLiteral("Deckmora"))).absolutePath() +
           QStringLiteral("/Deckmora.songlist");
}

QString ListKeeper::restore() {
    keptlist::ReadResult r = keptlist::read(m_path);
    if (r.status == keptlist::ReadStatus::Ok) {
        m_list.replace(0, m_list.count(), r.kept.songs);
        m_list.selectOnly(r.kept.selected);
    }
    if (!m_watching) {
        m_watching = true;
        for (QListWidget* w : {m_list.names(), m_list.files()}) {
            QAbstractItemModel* m = w->model();
            connect(m, &QAbstractItemModel::rowsInserted, this, &ListKeeper::changed);
            connect(m, &QAbstractItemModel::rowsRemoved, this, &ListKeeper::changed);
            connect(m, &QAbstractItemModel::rowsMoved, this, &ListKeeper::changed);
            connect(m, &QAbstractItemModel::modelReset, this, &ListKeeper::changed);
            connect(m, &QAbstractItemModel::dataChanged, this,
                    [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                        if (roles.isEmpty() || roles.contains(Qt::DisplayRole) ||
                            roles.contains(Qt::EditRole))
                            changed();
                    });
        }
        connect(m_list.names()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &ListKeeper::changed);
    }
    return r.setAside;
}

void ListKeeper::changed() {
    // Not restarted by later changes: a long run of them (a folder being added) is still written as it goes.
    if (!m_delay.isActive())
        m_delay.start();
}

void ListKeeper::takeSnapshot() {
    m_delay.stop();
    keptlist::Kept kept{m_list.songs(), m_list.selectedIndex()};
    {
        std::lock_guard lock(m_mutex);
        m_next = std::move(kept); // an older snapshot still waiting is outdated by this one
    }
    m_wake.notify_one();
}

void ListKeeper::flush() {
    if (m_delay.isActive())
        takeSnapshot();
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return !m_next && !m_writing; });
}

QString ListKeeper::lastError() {
    std::lock_guard lock(m_mutex);
    return m_error;
}

void ListKeeper::work() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_next; });
        if (!m_next)
            return; // stopping, nothing left to write
        keptlist::Kept kept = std::move(*m_next);
        m_next.reset();
        m_writing = true;
        lock.unlock();
        const QString error = keptlist::write(m_path, kept);
        lock.lock();
        m_writing = false;
        m_error = error;
        m_done.notify_all();
    }
}

} // namespace player
