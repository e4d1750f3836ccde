// The main window's song list commands: adding, removing, playlists, the editor and the search. Each handler
// is the steps the user sees; the rules live in SongList, PlaylistFile, songlistcommands and the windows they
// open.
#include <QAction>
#include <QCursor>
#include <QMenu>

#include "addfolderwindow.h"
#include "clicklabel.h"
#include "console/listhistory.h"
#include "console/listkeeper.h"
#include "console/missingfiles.h"
#include "console/songlistcommands.h"
#include "editorwindow.h"
#include "mainwindow.h"
#include "searchwindow.h"
#include "ui/imagebutton.h"
#include "ui/prompts.h"
#include "waitwindow.h"

namespace player {

void MainWindow::setupSongList() {
    SongList::setUpControls(lstnames, lstFiles);
    m_missing = new MissingFiles(lstnames, lstFiles);
    m_history = new ListHistory(songList(), this);

    mnuAdd = new QMenu(QStringLiteral("AddToList"), this);
    MnuAddFile = mnuAdd->addAction(QStringLiteral("Add mp3 - wav"), this, &MainWindow::MnuAddFile_Click);
    mnuAddPlaylist =
        mnuAdd->addAction(QStringLiteral("Add Playlist"), this, &MainWindow::mnuAddPlaylist_Click);
    mnuAddDir = mnuAdd->addAction(QStringLiteral("Add directory"), this, &MainWindow::mnuAddDir_Click);

    mnuremove = new QMenu(QStringLiteral("Remove"), this);
    mnuRmvLst =
        mnuremove->addAction(QStringLiteral("Remove from playlist"), this, &MainWindow::mnuRmvLst_Click);
    mnuDelete =
        mnuremove->addAction(QStringLiteral("Remove from computer"), this, &MainWindow::mnuDelete_Click);
    mnuRmvMissing =
        mnuremove->addAction(QStringLiteral("Remove missing"), this, &MainWindow::mnuRmvMissing_Click);

    mnuPlaylist = new QMenu(QStringLiteral("Playlist"), this);
    mnuremoveselsong = mnuPlaylist->addMenu(QStringLiteral("Remove selected song"));
    mnuFromList =
        mnuremoveselsong->addAction(QStringLiteral("From list"), this, &MainWindow::mnuFromList_Click);
    mnuFromPc = mnuremoveselsong->addAction(QStringLiteral("From pc"), this, &MainWindow::mnuFromPc_Click);
}

void MainWindow::holdList(ListHolder holder, bool held) {
    const bool wasHeld = m_listHolders != 0;
    if (held)
        m_listHolders |= int(holder);
    else
        m_listHolders &= ~int(holder);
    // A command that yields to the event loop while it works (adding a folder, the editor, songs from
    // outside) is one step to undo.
    if (!wasHeld && m_listHolders != 0)
        m_history->hold();
    else if (wasHeld && m_listHolders == 0)
        m_history->release();
    const bool enabled = listCommandsEnabled();
    for (QWidget* w : {Add, Remove, Clear, New, Open, Save, edit, Search})
        w->setEnabled(enabled);
    for (QMenu* m : {mnuAdd, mnuremove, mnuPlaylist})
        m->setEnabled(enabled);
    // The editor shows the list as it was when it opened; the add-folder and search windows wait meanwhile.
    const bool editing = m_listHolders & int(ListHolder::Editor);
    if (m_addDir)
        m_addDir->setEnabled(!editing);
    if (m_search)
        m_search->setEnabled(!editing);
}

void MainWindow::undoListChange() {
    if (listCommandsEnabled())
        m_history->undo();
}

void MainWindow::redoListChange() {
    if (listCommandsEnabled())
        m_history->redo();
}

void MainWindow::keepList(const QString& path) {
    if (m_keeper)
        return;
    m_keeper = new ListKeeper(songList(), path);
    const QString setAside = m_keeper->restore();
    m_history->reset();
    if (!setAside.isEmpty())
        platform::notice(QStringLiteral("The song list kept from the last run was damaged and could not be "
                                        "restored. The damaged file was set aside as") +
                             QStringLiteral("\r\n") + setAside,
                         songlistcommands::kTitle);
}

void MainWindow::Add_Click() {
    mnuAdd->popup(QCursor::pos());
}

void MainWindow::Remove_Click() {
    mnuremove->popup(QCursor::pos());
}

void MainWindow::Clear_Click() {
    if (!listCommandsEnabled())
        return;
    songList().clear();
}

void MainWindow::New_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::newPlaylist(list);
}

void MainWindow::Open_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::openPlaylist(list, true);
}

void MainWindow::Save_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::savePlaylist(list);
}

void MainWindow::mnuAddPlaylist_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::openPlaylist(list, false);
}

void MainWindow::MnuAddFile_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::addFile(list);
}

void MainWindow::mnuAddDir_Click() {
    if (!listCommandsEnabled())
        return;
    if (!m_addDir || m_addDir->isUnloaded()) {
        m_addDir = new AddFolderWindow(songList(), this);
        connect(m_addDir, &AddFolderWindow::addingChanged, this,
                [this](bool adding) { holdList(ListHolder::AddFolder, adding); });
    }
    m_addDir->show();
    m_addDir->raise();
}

void MainWindow::lstnames_MouseDown(short button, short, int, int) {
    if (button == 2 && listCommandsEnabled())
        mnuPlaylist->popup(QCursor::pos());
}

void MainWindow::mnuRmvLst_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::removeFromList(list);
}

void MainWindow::mnuDelete_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::removeFromComputer(list);
}

void MainWindow::mnuRmvMissing_Click() {
    SongList list = songList();
    songlistcommands::removeMissing(list, *m_missing);
}

void MainWindow::mnuFromList_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::removeFromList(list);
}

void MainWindow::mnuFromPc_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::removeFromPc(list);
}

void MainWindow::edit_Click() {
    if (!listCommandsEnabled())
        return;
    // A running search would go on selecting in the list the editor is reading: it ends here.
    if (lblsearch->text() == SearchWindow::kCancelSearch)
        lblsearch_Click();
    holdList(ListHolder::Editor, true);
    hide();
    WaitWindow wait;
    wait.show();
    wait.repaint(); // painted before the lists fill, without letting other input in
    SongList list = songList();
    m_editor = new EditorWindow(list, this, this);
    connect(m_editor, &EditorWindow::finished, this, [this] { holdList(ListHolder::Editor, false); });
    m_editor->load(list.visitAll());
    m_editor->show();
    wait.close();
}

void MainWindow::Search_Click() {
    if (!listCommandsEnabled())
        return;
    // A search is running (the label is its cancel button): one at a time.
    if (lblsearch->text() == SearchWindow::kCancelSearch)
        return;
    if (!m_search || m_search->isUnloaded())
        m_search = new SearchWindow(lstnames, lblsearch, this);
    m_search->show();
    m_search->raise();
    m_search->activateWindow();
}

void MainWindow::lblsearch_Click() {
    if (lblsearch->text() != SearchWindow::kCancelSearch)
        return;
    if (m_search)
        m_search->unload();
    lblsearch->setText(QString());
}

} // namespace player
