// The main window's song list commands: adding, removing, playlists, the editor and the search.
#include "frmmain.h"

void frmMain::setupSongList() {}

void frmMain::Add_Click() {}
void frmMain::Remove_Click() {}
void frmMain::Clear_Click() {}
void frmMain::New_Click() {}
void frmMain::Open_Click() {}
void frmMain::Save_Click() {}
void frmMain::edit_Click() {}
void frmMain::Search_Click() {}
void frmMain::lblsearch_Click() {}
void frmMain::lstnames_MouseDown(short, short, int, int) {}
void frmMain::MnuAddFile_Click() {}
void frmMain::mnuAddPlaylist_Click() {}
void frmMain::mnuAddDir_Click() {}
void frmMain::mnuRmvLst_Click() {}
void frmMain::mnuDelete_Click() {}
void frmMain::mnuFromList_Click() {}
void frmMain::mnuFromPc_Click() {}
