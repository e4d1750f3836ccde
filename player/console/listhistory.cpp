#include "listhistory.h"

#include <QAbstractItemModel>
#include <QVariant>
#include <algorithm>

namespace player {

ListEdit listEdit(const QList<Song>& before, const QList<Song>& after) {
    const qsizetype shorter = std::min(before.size(), after.size());
    qsizetype head = 0;
    while (head < shorter && before[head] == after[head])
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head && before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    ListEdit e;
    e.at = int(head);
    e.removed = before.mid(head, before.size() - head - tail);
    e.inserted = after.mid(head, after.size() - head - tail);
    return e;
}

ListHistory::ListHistory(SongList list, QObject* parent) : QObject(parent), m_list(list) {
    m_turn.setSingleShot(true);
    m_turn.setInterval(0);
    connect(&m_turn, &QTimer::timeout, this, &ListHistory::settle);
    for (QListWidget* w : {m_list.names(), m_list.files()}) {
        QAbstractItemModel* m = w->model();
        connect(m, &QAbstractItemModel::rowsAboutToBeInserted, this, &ListHistory::changing);
        connect(m, &QAbstractItemModel::rowsAboutToBeRemoved, this, &ListHistory::changing);
        connect(m, &QAbstractItemModel::rowsAboutToBeMoved, this, &ListHistory::changing);
        connect(m, &QAbstractItemModel::modelAboutToBeReset, this, &ListHistory::changing);
        connect(m, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex&, const QModelIndex&, const QList<int>& roles) {
                    // Colours and marks are no change of the list.
                    if (roles.isEmpty() || roles.contains(Qt::DisplayRole) || roles.contains(Qt::EditRole))
                        changing();
                });
    }
    reset();
}

void ListHistory::reset() {
    m_turn.stop();
    m_pending = false;
    m_known = m_list.songs();
    m_list.names()->setProperty(SongList::kSelectedBeforeChange, QVariant());
    m_undo.clear();
    m_redo.clear();
}

void ListHistory::hold() {
    ++m_holds;
}

void ListHistory::release() {
    if (m_holds > 0 && --m_holds == 0)
        settle();
}

void ListHistory::changing() {
    if (m_applying || m_pending)
        return;
    // Called before the change: the selection is still the one the user saw.
    m_pending = true;
    // The list view has moved or dropped the selection by the time the list says it changes; SongList noted
    // where it was.
    const QVariant noted = m_list.names()->property(SongList::kSelectedBeforeChange);
    m_selectedBefore = noted.isValid() ? noted.toInt() : m_list.selectedIndex();
    m_list.names()->setProperty(SongList::kSelectedBeforeChange, QVariant());
    m_turn.start();
}

void ListHistory::settle() {
    if (!m_pending || m_holds > 0)
        return;
    m_turn.stop();
    m_pending = false;
    QList<Song> now = m_list.songs();
    ListEdit e = listEdit(m_known, now);
    m_known = std::move(now);
    if (e.removed.isEmpty() && e.inserted.isEmpty())
        return;
    e.selectedBefore = m_selectedBefore;
    e.selectedAfter = m_list.selectedIndex();
    push(m_undo, std::move(e));
    m_redo.clear();
}

void ListHistory::push(std::deque<ListEdit>& steps, ListEdit e) {
    steps.push_back(std::move(e));
    qsizetype songs = 0;
    for (const ListEdit& s : steps)
        songs += s.removed.size() + s.inserted.size();
    while (steps.size() > 1 && (steps.size() > kMaxSteps || songs > kMaxSongsKept)) {
        songs -= steps.front().removed.size() + steps.front().inserted.size();
        steps.pop_front();
    }
}

bool ListHistory::canUndo() {
    settle();
    return !m_undo.empty();
}

bool ListHistory::canRedo() {
    settle();
    return !m_redo.empty();
}

bool ListHistory::undo() {
    if (m_holds > 0 || !canUndo())
        return false;
    ListEdit e = std::move(m_undo.back());
    m_undo.pop_back();
    apply(e, false);
    m_redo.push_back(std::move(e));
    return true;
}

bool ListHistory::redo() {
    if (m_holds > 0 || !canRedo())
        return false;
    ListEdit e = std::move(m_redo.back());
    m_redo.pop_back();
    apply(e, true);
    m_undo.push_back(std::move(e));
    return true;
}

void ListHistory::apply(const ListEdit& e, bool forward) {
    const QList<Song>& out = forward ? e.removed : e.inserted;
    const QList<Song>& in = forward ? e.inserted : e.removed;
    m_applying = true;
    m_list.replace(e.at, int(out.size()), in);
    m_list.selectOnly(forward ? e.selectedAfter : e.selectedBefore);
    m_applying = false;
    m_known = m_list.songs();
    m_list.names()->setProperty(SongList::kSelectedBeforeChange, QVariant());
}

} // namespace player
