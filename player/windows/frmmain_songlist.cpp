// The main window's song list commands: adding, removing, playlists, the editor and the search. Each handler
// is the steps the user sees; the rules live in SongList, PlaylistFile, songlistcommands and the windows they
// open.
#include <QAction>
#include <QCursor>
#include <QMenu>

#include "clicklabel.h"
#include "console/missingfiles.h"
#include "console/songlistcommands.h"
#include "form4.h"
#include "frmadddir.h"
#include "frmeditplaylist.h"
#include "frmmain.h"
#include "frmwait.h"
#include "ui/imagebutton.h"

namespace player {

void frmMain::setupSongList() {
    SongList::setUpControls(lstnames, lstFiles);
    m_missing = new MissingFiles(lstnames, lstFiles);

    mnuAdd = new QMenu(QStringLiteral("AddToList"), this);
    MnuAddFile = mnuAdd->addAction(QStringLiteral("Add mp3 - wav"), this, &frmMain::MnuAddFile_Click);
    mnuAddPlaylist = mnuAdd->addAction(QStringLiteral("Add Playlist"), this, &frmMain::mnuAddPlaylist_Click);
    mnuAddDir = mnuAdd->addAction(QStringLiteral("Add directory"), this, &frmMain::mnuAddDir_Click);

    mnuremove = new QMenu(QStringLiteral("Remove"), this);
    mnuRmvLst = mnuremove->addAction(QStringLiteral("Remove from playlist"), this, &frmMain::mnuRmvLst_Click);
    mnuDelete = mnuremove->addAction(QStringLiteral("Remove from computer"), this, &frmMain::mnuDelete_Click);
    mnuRmvMissing =
        mnuremove->addAction(QStringLiteral("Remove missing"), this, &frmMain::mnuRmvMissing_Click);

    mnuPlaylist = new QMenu(QStringLiteral("Playlist"), this);
    mnuremoveselsong = mnuPlaylist->addMenu(QStringLiteral("Remove selected song"));
    mnuFromList = mnuremoveselsong->addAction(QStringLiteral("From list"), this, &frmMain::mnuFromList_Click);
    mnuFromPc = mnuremoveselsong->addAction(QStringLiteral("From pc"), this, &frmMain::mnuFromPc_Click);
}

void frmMain::holdList(ListHolder holder, bool held) {
    if (held)
        m_listHolders |= int(holder);
    else
        m_listHolders &= ~int(holder);
    const bool enabled = listCommandsEnabled();
    for (QWidget* w : {Add, Remove, Clear, New, Open, Save, edit, Search})
        w->setEnabled(enabled);
    for (QMenu* m : {mnuAdd, mnuremove, mnuPlaylist})
        m->setEnabled(enabled);
    // The editor shows the list as it was when it opened; the add-folder and search windows wait meanwhile.
    const bool editing = m_listHolders & int(ListHolder::Editor);
    if (m_addDir)
        m_addDir->setEnabled(!editing);
    if (m_form4)
        m_form4->setEnabled(!editing);
}

void frmMain::Add_Click() {
    mnuAdd->popup(QCursor::pos());
}

void frmMain::Remove_Click() {
    mnuremove->popup(QCursor::pos());
}

void frmMain::Clear_Click() {
    if (!listCommandsEnabled())
        return;
    songList().clear();
}

void frmMain::New_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::newPlaylist(list);
}

void frmMain::Open_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::openPlaylist(list, true);
}

void frmMain::Save_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::savePlaylist(list);
}

void frmMain::mnuAddPlaylist_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::openPlaylist(list, false);
}

void frmMain::MnuAddFile_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::addFile(list);
}

void frmMain::mnuAddDir_Click() {
    if (!listCommandsEnabled())
        return;
    if (!m_addDir || m_addDir->isUnloaded()) {
        m_addDir = new FrmAddDir(songList(), this);
        connect(m_addDir, &FrmAddDir::addingChanged, this,
                [this](bool adding) { holdList(ListHolder::AddFolder, adding); });
    }
    m_addDir->show();
    m_addDir->raise();
}

void frmMain::lstnames_MouseDown(short button, short, int, int) {
    if (button == 2 && listCommandsEnabled())
        mnuPlaylist->popup(QCursor::pos());
}

void frmMain::mnuRmvLst_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::removeFromList(list);
}

void frmMain::mnuDelete_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::removeFromComputer(list);
}

void frmMain::mnuRmvMissing_Click() {
    SongList list = songList();
    songlistcommands::removeMissing(list, *m_missing);
}

void frmMain::mnuFromList_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::removeFromList(list);
}

void frmMain::mnuFromPc_Click() {
    if (!listCommandsEnabled())
        return;
    SongList list = songList();
    songlistcommands::removeFromPc(list);
}

void frmMain::edit_Click() {
    if (!listCommandsEnabled())
        return;
    // A running search would go on selecting in the list the editor is reading: it ends here.
    if (lblsearch->text() == Form4::kCancelSearch)
        lblsearch_Click();
    holdList(ListHolder::Editor, true);
    hide();
    frmwait wait;
    wait.show();
    wait.repaint(); // painted before the lists fill, without letting other input in
    SongList list = songList();
    m_editor = new frmeditplaylist(list, this, this);
    connect(m_editor, &frmeditplaylist::finished, this, [this] { holdList(ListHolder::Editor, false); });
    m_editor->load(list.visitAll());
    m_editor->show();
    wait.close();
}

void frmMain::Search_Click() {
    if (!listCommandsEnabled())
        return;
    // A search is running (the label is its cancel button): one at a time.
    if (lblsearch->text() == Form4::kCancelSearch)
        return;
    if (!m_form4 || m_form4->isUnloaded())
        m_form4 = new Form4(lstnames, lblsearch, this);
    m_form4->show();
    m_form4->raise();
    m_form4->activateWindow();
}

void frmMain::lblsearch_Click() {
    if (lblsearch->text() != Form4::kCancelSearch)
        return;
    if (m_form4)
        m_form4->unload();
    lblsearch->setText(QString());
}

} // namespace player
