#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

#include "console/songlist.h"

namespace player {

// The playlist editor: picks songs of the current list, in any order and as often as wanted, optionally
// renamed, into a new list that "APPLY" puts in place of the main song list. While it is open the main window
// is hidden; every way of closing it shows the main window again. It is built anew on every opening.
class EditorWindow : public QWidget {
    Q_OBJECT
public:
    EditorWindow(const SongList& mainList, QWidget* mainWindow, QWidget* parent = nullptr);

    QGroupBox* Frame1;
    QListWidget* lstnames1; // display names of the current list, the one the user picks from
    QListWidget* lstnames0; // the same names, hidden
    QListWidget* lstfiles1; // the paths of the current list, hidden
    QGroupBox* Frame2;
    QListWidget* lstnames2; // the new list's names
    QListWidget* lstfiles2; // the new list's paths, hidden
    QPushButton* Command1;  // ">"
    QPushButton* Command2;  // "<"
    QCheckBox* Check1;      // "Ask if I want to rename"
    QPushButton* Command6;  // "APPLY"
    QPushButton* Command7;  // "CANCEL"

    // Fills the three current-list controls.
    void load(const QList<Song>& songs);

    void Command1_Click();
    void Command2_Click();
    void Command6_Click();
    void Command7_Click();

    bool isUnloaded() const { return m_unloaded; }

signals:
    // The editor is closing, by "APPLY", "CANCEL" or the close box; the main window is about to show.
    void finished();

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    // Shows the main window and closes and destroys the editor.
    void finish();

    SongList m_main;
    SongList m_new;
    QWidget* m_mainWindow;
    bool m_unloaded = false;
};

} // namespace player
