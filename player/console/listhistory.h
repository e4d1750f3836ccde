#pragma once

#include <QList>
#include <QObject>
#include <QTimer>
#include <deque>

#include "songlist.h"

namespace player {

// One change of the song list as undo sees it: at row `at`, `removed` went out and `inserted` came in, with
// the selection before and after.
struct ListEdit {
    int at = 0;
    QList<Song> removed;
    QList<Song> inserted;
    int selectedBefore = -1;
    int selectedAfter = -1;
};

// The one run between the common head and the common tail of the two lists: an append, a removal, a clear or
// a whole new list all come out as small as they are.
ListEdit listEdit(const QList<Song>& before, const QList<Song>& after);

// Undo and redo for the song list. It watches the list's two controls, so every command that changes the
// list is covered, wherever it comes from (windows, keys, drops, the editor, a second start). What changes
// within one turn of the event loop is one step; a command that yields to the event loop while it works
// holds the history meanwhile so its changes stay one step.
class ListHistory : public QObject {
public:
    // Steps beyond these are forgotten, the oldest first.
    static constexpr int kMaxSteps = 100;
    static constexpr qsizetype kMaxSongsKept = 4 * SongList::kMaxEntries;

    explicit ListHistory(SongList list, QObject* parent = nullptr);

    // The list as it stands becomes the start: nothing to undo or redo.
    void reset();
    void hold();
    void release();
    // Ends the step being made; the event loop calls it at the end of a turn, undo and redo before they act.
    void settle();

    bool canUndo();
    bool canRedo();
    // False when there was nothing to undo (or to redo), or while held.
    bool undo();
    bool redo();

private:
    void changing();
    void apply(const ListEdit& e, bool forward);
    void push(std::deque<ListEdit>& steps, ListEdit e);

    SongList m_list;
    QList<Song> m_known; // the list as the last settled step left it
    int m_selectedBefore = -1;
    bool m_pending = false;
    bool m_applying = false;
    int m_holds = 0;
    QTimer m_turn;
    std::deque<ListEdit> m_undo;
    std::deque<ListEdit> m_redo;
};

} // namespace player
