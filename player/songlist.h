#pragma once

#include <QString>
#include <optional>

class QListWidget;

// The song list: display names in one list widget and file paths in another, entry i of each describing the
// same song. The user selects in the names; the operations bring the paths to the same index.
class SongList {
public:
    struct Entry {
        int index = -1;
        QString name;
        QString path;
    };

    SongList(QListWidget* names, QListWidget* files);

    int count() const;
    // The first selected entry of the names, with the paths brought to the same index; nothing when none is
    // selected.
    std::optional<Entry> selected();
    // Makes entry i the selected entry of both lists; an index outside the list selects nothing and returns
    // false.
    bool select(int i);
    // The current entry of the names, -1 when there is none.
    int currentIndex() const;
    QString name(int i) const;
    QString path(int i) const;

private:
    QListWidget* m_names;
    QListWidget* m_files;
};
