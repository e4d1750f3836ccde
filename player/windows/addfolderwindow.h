#pragma once

#include <QFrame>
#include <QLabel>
#include <QWidget>

#include "console/songlist.h"
#include "ui/filelists.h"
#include "ui/progressbar.h"

namespace player {

// The add-folder window: pick a drive and a folder, then "Add Dir" appends every MP3 and WAV file of the
// folder to the song list in name order. "Cancel" (or the close box) unloads the window; a finished add only
// hides it.
class AddFolderWindow : public QWidget {
    Q_OBJECT
public:
    explicit AddFolderWindow(const SongList& list, QWidget* parent = nullptr);

    platform::DriveList* Drive1;
    platform::FolderList* Dir1;
    platform::FileList* File1;
    QLabel* lblSongs;
    QLabel* lblAdd;
    QLabel* lblCancel;
    QFrame* Frame1;
    platform::ProgressBar* pb;
    QLabel* Procent;
    QLabel* Label1;

    void Drive1_Change();
    void Dir1_Change();
    void lblAdd_Click();
    void lblCancel_Click();

    // Unloaded windows are on their way out; the next "Add directory" builds a new one.
    bool isUnloaded() const { return m_unloaded; }
    bool isAdding() const { return m_adding; }

    // The progress text after file i of n: 100 * i / n to one decimal place, halves to even, no trailing
    // zeros.
    static QString percentText(int i, int n);
    // The mounted volume that holds `path`.
    static QString driveOf(const QString& path);

signals:
    // True while the adding loop runs; commands that could disturb it are to be disabled meanwhile.
    void addingChanged(bool adding);

protected:
    void closeEvent(QCloseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void setAdding(bool adding);

    SongList m_list;
    bool m_adding = false;
    bool m_unloaded = false;
};

} // namespace player
