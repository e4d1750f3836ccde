#include "songlist.h"

#include <QItemSelectionModel>
#include <QStringList>
#include <algorithm>

namespace player {

void SongList::setUpControls(QListWidget* names, QListWidget* files) {
    for (QListWidget* w : {names, files}) {
        w->setSortingEnabled(false);
        w->setSelectionMode(QAbstractItemView::SingleSelection);
        // All rows have one height, which spares the view measuring tens of thousands of items.
        w->setUniformItemSizes(true);
    }
}

QString SongList::name(int i) const {
    const QListWidgetItem* it = m_names->item(i);
    return it ? it->text() : QString();
}

QString SongList::path(int i) const {
    const QListWidgetItem* it = m_files->item(i);
    return it ? it->text() : QString();
}

bool SongList::append(const QString& name, const QString& path) {
    noteSelection();
    if (room() <= 0)
        return false;
    m_names->addItem(name);
    m_files->addItem(path);
    return true;
}

int SongList::append(const QList<Song>& songs) {
    noteSelection();
    const int n = std::min<qsizetype>(songs.size(), std::max(0, room()));
    QStringList names, paths;
    names.reserve(n);
    paths.reserve(n);
    for (int i = 0; i < n; ++i) {
        names << songs[i].name;
        paths << songs[i].path;
    }
    m_names->addItems(names);
    m_files->addItems(paths);
    return n;
}

void SongList::remove(int i) {
    noteSelection();
    if (i < 0 || i >= count())
        return;
    const bool wasSelected = selectedIndex() == i;
    delete m_names->takeItem(i);
    delete m_files->takeItem(i);
    // The list view would move the selection on to the next entry; then a second "Remove from computer" would
    // delete a file the user never picked. Removing the selected entry leaves nothing selected.
    if (wasSelected) {
        for (QListWidget* w : {m_names, m_files}) {
            w->clearSelection();
            w->setCurrentRow(-1);
        }
    }
}

void SongList::remove(QList<int> rows) {
    noteSelection();
    const int n = count();
    rows.removeIf([n](int r) { return r < 0 || r >= n; });
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    const int selected = selectedIndex();
    bool selectionGone = false;
    // From the end, a run of neighbours at a time, so the rows still to go keep their numbers.
    for (qsizetype k = rows.size() - 1; k >= 0;) {
        const int last = rows[k];
        qsizetype j = k;
        while (j > 0 && rows[j - 1] == rows[j] - 1)
            --j;
        const int first = rows[j];
        k = j - 1;
        selectionGone = selectionGone || (selected >= first && selected <= last);
        m_names->model()->removeRows(first, last - first + 1);
        m_files->model()->removeRows(first, last - first + 1);
    }
    if (selectionGone) {
        for (QListWidget* w : {m_names, m_files}) {
            w->clearSelection();
            w->setCurrentRow(-1);
        }
    }
}

void SongList::replace(int at, int count, const QList<Song>& songs) {
    noteSelection();
    at = std::clamp(at, 0, this->count());
    count = std::clamp(count, 0, this->count() - at);
    for (QListWidget* w : {m_names, m_files}) {
        w->clearSelection();
        w->setCurrentRow(-1);
    }
    if (count == this->count()) {
        clear();
    } else if (count > 0) {
        m_names->model()->removeRows(at, count);
        m_files->model()->removeRows(at, count);
    }
    const qsizetype n = std::min<qsizetype>(songs.size(), std::max(0, room()));
    QStringList names, paths;
    names.reserve(n);
    paths.reserve(n);
    for (qsizetype i = 0; i < n; ++i) {
        names << songs[i].name;
        paths << songs[i].path;
    }
    m_names->insertItems(at, names);
    m_files->insertItems(at, paths);
}

void SongList::noteSelection() {
    m_names->setProperty(kSelectedBeforeChange, selectedIndex());
}

void SongList::clear() {
    noteSelection();
    m_names->clear();
    m_files->clear();
}

int SongList::selectedIndex() const {
    const QModelIndexList rows = m_names->selectionModel()->selectedIndexes();
    int first = -1;
    for (const QModelIndex& r : rows)
        if (first < 0 || r.row() < first)
            first = r.row();
    return first;
}

std::optional<SongList::Entry> SongList::selectedSong() {
    const int i = selectedIndex();
    if (i < 0 || i >= m_files->count())
        return std::nullopt;
    m_files->setCurrentRow(i);
    return Entry{i, name(i), path(i)};
}

void SongList::select(int i) {
    if (i < 0 || i >= count())
        return;
    m_names->setCurrentRow(i);
    m_files->setCurrentRow(i);
}

void SongList::selectOnly(int i) {
    if (i >= 0 && i < count()) {
        select(i);
        return;
    }
    for (QListWidget* w : {m_names, m_files}) {
        w->clearSelection();
        w->setCurrentRow(-1);
    }
}

QList<Song> SongList::songs() const {
    const int n = count();
    QList<Song> out;
    out.reserve(n);
    for (int i = 0; i < n; ++i)
        out.append(Song{path(i), name(i)});
    return out;
}

QList<Song> SongList::visitAll() {
    const int n = count();
    QList<Song> songs;
    songs.reserve(n);
    for (int i = 0; i < n; ++i)
        songs.append(Song{path(i), name(i)});
    if (n > 0)
        select(n - 1);
    return songs;
}

} // namespace player
