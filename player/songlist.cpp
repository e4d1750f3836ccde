#include "songlist.h"

#include <QListWidget>

SongList::SongList(QListWidget* names, QListWidget* files) : m_names(names), m_files(files) {}

int SongList::count() const {
    return m_names->count();
}

std::optional<SongList::Entry> SongList::selected() {
    for (int i = 0; i < m_names->count(); ++i) {
        if (!m_names->item(i)->isSelected())
            continue;
        if (i < m_files->count())
            m_files->setCurrentRow(i);
        return Entry{i, name(i), path(i)};
    }
    return std::nullopt;
}

bool SongList::select(int i) {
    if (i < 0 || i >= m_names->count())
        return false;
    m_names->setCurrentRow(i);
    if (i < m_files->count())
        m_files->setCurrentRow(i);
    return true;
}

int SongList::currentIndex() const {
    const QListWidgetItem* item = m_names->currentItem();
    return item && item->isSelected() ? m_names->row(item) : -1;
}

QString SongList::name(int i) const {
    const QListWidgetItem* item = m_names->item(i);
    return item ? item->text() : QString();
}

QString SongList::path(int i) const {
    const QListWidgetItem* item = m_files->item(i);
    return item ? item->text() : QString();
}
