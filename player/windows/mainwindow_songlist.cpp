// The main window's song list commands: adding, removing, playlists, the editor and the search. Each handler
// is the steps the user sees; the rules live in SongList, PlaylistFile, songlistcommands and the windows they
// open.
#include <QAction>
#include <QCursor>
#include <QListWidget>
#include <QMenu>

#include "addfolderwindow.h"
#include "clicklabel.h"
#include "console/listhistory.h"
#include "console/listkeeper.h"
#include "console/missingfiles.h"
#include "console/songlistcommands.h"
#include "core/twips.h"
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

    connect(lstnames, &QListWidget::itemDoubleClicked, this, &MainWindow::lstnames_DblClick);
}

void MainWindow::showListHold() {
    // A command that yields to the event loop while it works (adding a folder, the editor, songs from
    // outside) is one step to undo.
    const bool held = !m_console->listCommandsEnabled();
    if (m_history && held && !m_listWasHeld)
        m_history->hold();
    else if (m_history && !held && m_listWasHeld)
        m_history->release();
    m_listWasHeld = held;
    const bool enabled = listCommandsEnabled();
    for (QWidget* w : {Add, Remove, Clear, New, Open, Save, edit, Search})
        w->setEnabled(enabled);
    for (QMenu* m : {mnuAdd, mnuremove, mnuPlaylist})
        m->setEnabled(enabled);
    // The editor shows the list as it was when it opened; the add-folder and search windows wait meanwhile.
    const bool editing = m_console->listHeldBy(Console::ListHolder::Editor);
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
    m_console->clearList();
}

void MainWindow::New_Click() {
    m_console->newPlaylist();
}

void MainWindow::Open_Click() {
    m_console->openPlaylist();
}

void MainWindow::Save_Click() {
    m_console->savePlaylist();
}

void MainWindow::mnuAddPlaylist_Click() {
    m_console->addPlaylist();
}

void MainWindow::MnuAddFile_Click() {
    m_console->addFile();
}

void MainWindow::mnuAddDir_Click() {
    if (!listCommandsEnabled())
        return;
    if (!m_addDir || m_addDir->isUnloaded()) {
        m_addDir = new AddFolderWindow(songList(), this);
        connect(m_addDir, &AddFolderWindow::addingChanged, this,
                [this](bool adding) { m_console->holdList(Console::ListHolder::AddFolder, adding); });
    }
    m_addDir->show();
    m_addDir->raise();
}

// The menu acts on the entry under the pointer, as a list's menu does everywhere: it is selected first.
void MainWindow::lstnames_MouseDown(short button, short, int x, int y) {
    if (button != 2 || !listCommandsEnabled())
        return;
    const double scale = windowScale();
    const QModelIndex at =
        lstnames->indexAt(QPoint(platform::twipsToPixels(x, scale), platform::twipsToPixels(y, scale)));
    if (at.isValid())
        songList().select(at.row());
    mnuPlaylist->popup(QCursor::pos());
}

// The press before it selected the entry; it goes to the active deck as the Return key sends it.
void MainWindow::lstnames_DblClick() {
    emit LoadToPlayer[m_activeDeck]->clicked();
}

void MainWindow::mnuRmvLst_Click() {
    m_console->removeFromList();
}

void MainWindow::mnuDelete_Click() {
    m_console->removeFromComputer();
}

void MainWindow::mnuRmvMissing_Click() {
    m_console->removeMissing();
}

void MainWindow::mnuFromList_Click() {
    m_console->removeFromList();
}

void MainWindow::mnuFromPc_Click() {
    m_console->removeFromPc();
}

void MainWindow::edit_Click() {
    if (!listCommandsEnabled())
        return;
    // A running search would go on selecting in the list the editor is reading: it ends here.
    if (m_console->searchRunning())
        lblsearch_Click();
    m_console->holdList(Console::ListHolder::Editor, true);
    hide();
    WaitWindow wait;
    wait.show();
    wait.repaint(); // painted before the lists fill, without letting other input in
    SongList list = songList();
    m_editor = new EditorWindow(list, this, this);
    connect(m_editor, &EditorWindow::finished, this,
            [this] { m_console->holdList(Console::ListHolder::Editor, false); });
    m_editor->load(list.visitAll());
    m_editor->show();
    wait.close();
}

void MainWindow::Search_Click() {
    if (!listCommandsEnabled())
        return;
    // A search is running (the label is its cancel button): one at a time.
    if (m_console->searchRunning())
        return;
    if (!m_search || m_search->isUnloaded())
        m_search = new SearchWindow(lstnames, lblsearch, this, m_console->search());
    m_search->show();
    m_search->raise();
    m_search->activateWindow();
}

void MainWindow::lblsearch_Click() {
    if (!m_console->cancelSearch())
        return;
    if (m_search)
        m_search->unload();
    lblsearch->setText(QString());
}

} // namespace player
