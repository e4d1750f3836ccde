#include "songsearch.h"

#include <QElapsedTimer>

namespace player {

bool nameMatches(QStringView name, QStringView text) {
    return name.contains(text, Qt::CaseSensitive);
}

SongSearch::SongSearch(QListWidget* names, Hooks hooks, std::chrono::nanoseconds slice)
    : m_names(names), m_hooks(std::move(hooks)), m_slice(slice) {}

void SongSearch::select(int i) {
    if (i >= 0 && i < m_names->count())
        m_names->setCurrentRow(i);
}

SongSearch::Result SongSearch::run(const QString& text) {
    m_result = Result::NotFound;
    const int count = m_names->count();
    if (count == 0)
        return Result::NotFound;
    int selected = -1;
    if (const auto rows = m_names->selectionModel()->selectedIndexes(); !rows.isEmpty())
        selected = rows.first().row();
    if (selected + 1 == count || selected < 0) {
        select(0);
        selected = 0;
    }
    // With a single entry there is no "next" one: that entry is the one to test.
    const int start = selected + 1 < count ? selected + 1 : 0;
    select(start);
    if (pass(start, text))
        return Result::Found;
    if (m_result == Result::Cancelled)
        return m_result;
    select(0);
    if (pass(0, text))
        return Result::Found;
    return m_result;
}

bool SongSearch::pass(int from, const QString& text) {
    m_hooks.yield();
    if (m_hooks.cancelled()) {
        m_result = Result::Cancelled;
        return false;
    }
    const int bound = m_names->count();
    QElapsedTimer slice;
    slice.start();
    int last = -1;
    for (int i = from; i < bound; ++i) {
        // The list may have shrunk during a yield: the pass ends at its new end.
        const QListWidgetItem* item = m_names->item(i);
        if (!item)
            break;
        last = i;
        if (nameMatches(item->text(), text)) {
            select(i);
            return true;
        }
        if (slice.nsecsElapsed() >= m_slice.count()) {
            select(i);
            m_hooks.yield();
            if (m_hooks.cancelled()) {
                m_result = Result::Cancelled;
                return false;
            }
            slice.restart();
        }
    }
    select(last);
    return false;
}

} // namespace player
