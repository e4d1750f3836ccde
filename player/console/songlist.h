#pragma once

#include <QList>
#include <QListWidget>
#include <QString>
#include <optional>

namespace player {

// A song as it travels between the list, playlist files and the editor.
struct Song {
    QString path;
    QString name;
    friend bool operator==(const Song&, const Song&) = default;
};

// The player's one song list: display names in one list control, paths in another, kept index by index. Every
// change goes through here so the two controls never drift apart; the controls themselves belong to a window.
class SongList {
public:
    // Counts and indexes of the list are 16-bit signed numbers.
    static constexpr int kMaxEntries = 32767;
    // Where the selection was before the last change made through here (a property of the names control):
    // the list view moves or drops it before the change is announced. Cleared by whoever reads it.
    static constexpr const char* kSelectedBeforeChange = "selectedBeforeChange";

    struct Entry {
        int index = -1;
        QString name;
        QString path;
    };

    // Cheap: a SongList is a view on the two controls and may be made wherever it is needed.
    SongList(QListWidget* names, QListWidget* files) : m_names(names), m_files(files) {}
    // Once per pair of controls: single selection, no sorting.
    static void setUpControls(QListWidget* names, QListWidget* files);

    QListWidget* names() const { return m_names; }
    QListWidget* files() const { return m_files; }

    int count() const { return m_names->count(); }
    int room() const { return kMaxEntries - count(); }
    QString name(int i) const;
    QString path(int i) const;

    // False, and nothing added, when the list is full.
    bool append(const QString& name, const QString& path);
    // Appends in order until the list is full; returns how many were added.
    int append(const QList<Song>& songs);
    void remove(int i);
    // Removes the given entries (any order, duplicates and rows out of range ignored) in as few steps as
    // their runs allow; the selection goes when its entry does, as with remove().
    void remove(QList<int> rows);
    void clear();
    // Takes out `count` entries from row `at` and puts `songs` in their place, in as few steps as a large
    // list allows; the selection goes, as with remove().
    void replace(int at, int count, const QList<Song>& songs);

    // The entry selected in the names list, with the paths list brought to the same index; nothing when no
    // entry is selected.
    std::optional<Entry> selectedSong();
    // Selects entry i in both controls (out of range: nothing).
    void select(int i);
    // Selects entry i in both controls, or nothing at all for -1 (or out of range).
    void selectOnly(int i);
    // The first selected entry of the names list, -1 for none.
    int selectedIndex() const;

    // Every entry in index order. Like walking the list entry by entry, it leaves the last entry selected in
    // both controls; the walk itself is not shown, since the user can only see where it ends.
    QList<Song> visitAll();
    // Every entry in index order, the selection left alone.
    QList<Song> songs() const;

private:
    void noteSelection();
    QListWidget* m_names;
    QListWidget* m_files;
};

} // namespace player
