// The main window's song list handlers: menus, buttons, the windows they open and how they hand the list
// over.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include "console/missingfiles.h"
#include "core/colours.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "ui/imagebutton.h"
#include "windowfixture.h"
#include "windows/addfolderwindow.h"
#include "windows/clicklabel.h"
#include "windows/editorwindow.h"
#include "windows/mainlayout.h"
#include "windows/searchwindow.h"

using namespace player;

using platform::Answer;

namespace {

class MainSongList : public WindowFixture {
protected:
    void SetUp() override { w.show(); }
    void fill(const QStringList& names) {
        for (const QString& n : names)
            addEntry(n, QStringLiteral("/music/") + n);
    }
    QStringList captions(QMenu* m) {
        QStringList out;
        for (QAction* a : m->actions())
            out << a->text();
        return out;
    }
};

} // namespace

TEST_F(MainSongList, ThePopUpMenusAndTheirCaptions) {
    EXPECT_EQ(ui.mnuAdd->title(), "AddToList");
    EXPECT_EQ(captions(ui.mnuAdd), (QStringList{"Add mp3 - wav", "Add Playlist", "Add directory"}));
    EXPECT_EQ(ui.mnuremove->title(), "Remove");
    EXPECT_EQ(captions(ui.mnuremove),
              (QStringList{"Remove from playlist", "Remove from computer", "Remove missing"}));
    EXPECT_EQ(ui.mnuPlaylist->title(), "Playlist");
    EXPECT_EQ(captions(ui.mnuPlaylist), QStringList{"Remove selected song"});
    EXPECT_EQ(captions(ui.mnuremoveselsong), (QStringList{"From list", "From pc"}));

    ui.Add->clicked();
    EXPECT_TRUE(ui.mnuAdd->isVisible());
    ui.mnuAdd->hide();
    ui.Remove->clicked();
    EXPECT_TRUE(ui.mnuremove->isVisible());
    ui.mnuremove->hide();
    w.lstnames_MouseDown(1, 0, 0, 0);
    EXPECT_FALSE(ui.mnuPlaylist->isVisible());
    w.lstnames_MouseDown(2, 0, 0, 0);
    EXPECT_TRUE(ui.mnuPlaylist->isVisible());
    ui.mnuPlaylist->hide();
}

// The right-click menu acts on the entry under the pointer, which the click selects; a double-click loads an
// entry into the active deck, as the LOAD button does.
TEST_F(MainSongList, ARightClickSelectsTheEntryItsMenuActsOnAndADoubleClickLoadsIt) {
    fill({"a", "b", "c"});
    ui.lstnames->setCurrentRow(0);
    QMouseEvent press(QEvent::MouseButtonPress, ui.lstnames->visualItemRect(ui.lstnames->item(2)).center(),
                      ui.lstnames->viewport()->mapToGlobal(QPoint()), Qt::RightButton, Qt::RightButton,
                      Qt::NoModifier);
    QApplication::sendEvent(ui.lstnames->viewport(), &press);
    EXPECT_TRUE(ui.mnuPlaylist->isVisible());
    ui.mnuPlaylist->hide();
    EXPECT_EQ(ui.lstnames->currentRow(), 2);
    ui.mnuFromList->trigger();
    EXPECT_EQ(column(ui.lstnames), (QStringList{"a", "b"}));
    EXPECT_EQ(column(ui.lstFiles), (QStringList{"/music/a", "/music/b"}));

    const QString song = dir.file("d.wav");
    ASSERT_TRUE(writeSong(song, 2));
    addEntry("d", song);
    ui.Play[1]->clicked();             // deck 2 becomes the active one
    QCoreApplication::processEvents(); // the list lays its new entry out
    const QPoint onD = ui.lstnames->visualItemRect(ui.lstnames->item(2)).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                    QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, onD, ui.lstnames->viewport()->mapToGlobal(onD), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ui.lstnames->viewport(), &e);
    }
    EXPECT_EQ(ui.MP[1]->fileName(), song);
    EXPECT_EQ(w.deckSongName(1), "d");
    EXPECT_FALSE(w.deckHasSong(0));
}

// Each menu entry that has a key shows it beside its words.
TEST_F(MainSongList, TheMenusShowTheirKeys) {
    const std::pair<QAction*, QKeySequence> entries[] = {
        {ui.MnuAddFile, QKeySequence(Qt::Key_Insert)},
        {ui.mnuAddPlaylist, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O)},
        {ui.mnuAddDir, QKeySequence(Qt::CTRL | Qt::Key_D)},
        {ui.mnuRmvLst, QKeySequence(Qt::Key_Delete)},
        {ui.mnuDelete, QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
        {ui.mnuFromList, QKeySequence(Qt::Key_Delete)},
        {ui.mnuFromPc, QKeySequence(Qt::SHIFT | Qt::Key_Delete)},
    };
    for (const auto& [entry, key] : entries) {
        EXPECT_EQ(entry->shortcut(), key) << entry->text().toStdString();
        EXPECT_TRUE(entry->isShortcutVisibleInContextMenu()) << entry->text().toStdString();
    }
    // A key still does its command once, whether or not a menu names it.
    fill({"a", "b"});
    ui.lstnames->setCurrentRow(0);
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QTest::keySequence(&w, QKeySequence(Qt::Key_Delete));
    EXPECT_EQ(column(ui.lstnames), QStringList{"b"});
}

// Escape closes the keys window and the search window.
TEST_F(MainSongList, EscapeClosesTheKeysAndTheSearchWindows) {
    w.showKeyHelp();
    ASSERT_TRUE(QTest::qWaitForWindowActive(ui.frmKeys));
    QTest::keyClick(ui.frmKeys, Qt::Key_Escape);
    EXPECT_FALSE(ui.frmKeys->isVisible());

    ui.Search->clicked();
    ASSERT_TRUE(ui.m_search);
    ASSERT_TRUE(QTest::qWaitForWindowActive(ui.m_search));
    QTest::keyClick(ui.m_search->Text1, Qt::Key_Escape);
    EXPECT_TRUE(!ui.m_search || !ui.m_search->isVisible());
}

// A missing song is drawn readable on the list's grey (as the screen shows it, not only as the rule says),
// after a mark its name does not carry.
TEST_F(MainSongList, MissingSongsAreReadableAndMarked) {
    const QColor ground = platform::toQColor(mainlayout::kControlGrey);
    EXPECT_GE(platform::contrastRatio(MissingFiles::kDimmed, ground), 4.5);
    ASSERT_TRUE(writeSong(dir.file("here.wav"), 1));
    addEntry("Mmmm", dir.file("here.wav"));
    addEntry("Mmmm", dir.file("gone.wav"));
    ui.lstnames->setCurrentRow(-1);
    QCoreApplication::processEvents(); // the list lays its new entries out
    EXPECT_EQ(ui.lstnames->item(1)->text(), "Mmmm");
    const QImage shot = ui.lstnames->viewport()->grab().toImage();
    const QRect present = ui.lstnames->visualItemRect(ui.lstnames->item(0));
    const QRect missing = ui.lstnames->visualItemRect(ui.lstnames->item(1));
    double strongest = 1;
    for (int y = missing.top(); y <= missing.bottom(); ++y)
        for (int x = missing.left(); x <= missing.right(); ++x)
            strongest = std::max(strongest, platform::contrastRatio(shot.pixelColor(x, y), ground));
    EXPECT_GE(strongest, 4.5);
    // The same name, with the mark before it: the ink ends further right.
    auto inkEnd = [&](const QRect& row) {
        int end = row.left();
        for (int y = row.top(); y <= row.bottom(); ++y)
            for (int x = row.left(); x <= row.right(); ++x)
                if (shot.pixelColor(x, y) != ground)
                    end = std::max(end, x);
        return end;
    };
    EXPECT_GT(inkEnd(missing), inkEnd(present) + 5);
}

TEST_F(MainSongList, SaveOpenAndNewThroughTheButtons) {
    fill({QStringLiteral("Caf\u00e9"), "b"});
    const QString path = dir.file("list.mdp");
    prompts.answerFile(path);
    ui.Save->clicked();
    EXPECT_EQ(ui.lstnames->currentRow(), 1);
    prompts.answer(Answer::No);
    ui.New->clicked();
    EXPECT_EQ(ui.lstnames->count(), 0);
    prompts.answerFile(path);
    ui.Open->clicked();
    EXPECT_EQ(ui.lstnames->item(0)->text(), QStringLiteral("Caf\u00e9"));
    prompts.answerFile(path);
    ui.mnuAddPlaylist->trigger();
    EXPECT_EQ(ui.lstFiles->count(), 4);
    prompts.answerFile("/m/x.MP3");
    ui.MnuAddFile->trigger();
    EXPECT_EQ(ui.lstnames->item(4)->text(), "x.MP3");
}

TEST_F(MainSongList, AddDirectoryReusesAHiddenWindowAndBuildsANewOneAfterCancel) {
    dir.write("a.mp3", "x");
    dir.write("b.wav", "x");
    ui.mnuAddDir->trigger();
    QPointer<AddFolderWindow> first = ui.m_addDir;
    ASSERT_TRUE(first);
    EXPECT_TRUE(first->isVisible());
    first->Dir1->setPath(dir.path());
    bool disabledWhileAdding = false;
    QObject::connect(first, &AddFolderWindow::addingChanged, [&](bool adding) {
        if (adding)
            disabledWhileAdding = !ui.Add->isEnabled() && !ui.Open->isEnabled() && !w.listCommandsEnabled();
    });
    first->lblAdd_Click();
    EXPECT_TRUE(disabledWhileAdding);
    EXPECT_TRUE(ui.Add->isEnabled());
    EXPECT_EQ(ui.lstnames->count(), 2);
    EXPECT_EQ(ui.lstFiles->item(0)->text(), QDir(dir.path()).filePath("a.mp3"));
    EXPECT_TRUE(first->isHidden());

    ui.mnuAddDir->trigger();
    EXPECT_EQ(ui.m_addDir, first);
    EXPECT_EQ(first->Dir1->path(), QDir(dir.path()).absolutePath());
    first->lblCancel_Click();
    ui.mnuAddDir->trigger();
    EXPECT_NE(ui.m_addDir.data(), first.data());
    EXPECT_EQ(ui.m_addDir->Dir1->path(), QDir::currentPath());
}

TEST_F(MainSongList, EditHidesTheMainWindowUntilTheEditorCloses) {
    fill({"a", "b", "c"});
    ui.lstnames->setCurrentRow(0);
    ui.edit->clicked();
    EXPECT_FALSE(w.isVisible());
    ASSERT_TRUE(ui.m_editor);
    EXPECT_TRUE(ui.m_editor->isVisible());
    EXPECT_EQ(ui.lstnames->currentRow(), 2);
    EXPECT_EQ(ui.lstFiles->currentRow(), 2);
    ui.m_editor->Check1->setChecked(false);
    ui.m_editor->lstnames1->item(1)->setSelected(true);
    ui.m_editor->Command1_Click();
    prompts.answer(Answer::Yes);
    ui.m_editor->Command6_Click();
    EXPECT_TRUE(w.isVisible());
    ASSERT_EQ(ui.lstnames->count(), 1);
    EXPECT_EQ(ui.lstFiles->item(0)->text(), "/music/b");

    // Built anew on every opening; the close box cancels.
    ui.edit->clicked();
    EXPECT_EQ(ui.m_editor->lstnames2->count(), 0);
    ui.m_editor->close();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(ui.lstnames->count(), 1);
}

TEST_F(MainSongList, SearchFindsAndTheLabelCancels) {
    fill({"Alpha", "Beta", "Gamma", "Delta"});
    ui.lstnames->clearSelection();
    ui.Search->clicked();
    ASSERT_TRUE(ui.m_search);
    QPointer<SearchWindow> form = ui.m_search;
    form->Text1->setText("ta");
    form->Command1_Click();
    EXPECT_EQ(ui.lstnames->currentRow(), 1);
    EXPECT_TRUE(form->isHidden());
    ui.Search->clicked();
    EXPECT_EQ(ui.m_search, form);
    EXPECT_EQ(form->Text1->text(), "ta");

    // While a search runs: "Search" is ignored, and a click on the label cancels it.
    bool searchIgnored = false;
    QTimer::singleShot(0, [&] {
        w.Search_Click();
        searchIgnored = form && form->isHidden();
        ui.lblsearch->clicked();
    });
    form->Text1->setText("no such name");
    form->Command1_Click();
    EXPECT_TRUE(searchIgnored);
    EXPECT_EQ(ui.lblsearch->text(), "");
    EXPECT_TRUE(form.isNull() || form->isUnloaded());
    w.lblsearch_Click(); // no search: nothing
    ui.Search->clicked();
    EXPECT_EQ(ui.m_search->Text1->text(), "");
}

TEST_F(MainSongList, APlaylistOfAnotherProgramOpensWithItsMissingSongsDimmedAndRemovable) {
    const QString here = dir.write("Songs/here.mp3", "x");
    const QString list =
        dir.write("Songs/list.m3u8", "#EXTM3U\n#EXTINF:1,Here\nhere.mp3\n#EXTINF:1,Gone\ngone.mp3\n");
    prompts.answerFile(list);
    ui.Open->clicked();
    ASSERT_EQ(ui.lstnames->count(), 2);
    EXPECT_EQ(ui.lstnames->item(1)->text(), "Gone");
    EXPECT_EQ(ui.lstFiles->item(0)->text(), here);
    EXPECT_FALSE(MissingFiles::isMissing(ui.lstnames, 0));
    EXPECT_TRUE(MissingFiles::isMissing(ui.lstnames, 1));

    // A load that fails looks again: the file went since.
    QFile::remove(here);
    ui.lstnames->setCurrentRow(0);
    prompts.answer(Answer::Ok);
    w.LoadToPlayer_Click(0);
    EXPECT_TRUE(MissingFiles::isMissing(ui.lstnames, 0));

    prompts.answer(Answer::Yes);
    ui.mnuRmvMissing->trigger();
    EXPECT_EQ(ui.lstnames->count(), 0);
    EXPECT_EQ(ui.lstFiles->count(), 0);
}

// While the editor is open the list holds still: the add-folder and search windows wait, every list command
// does nothing, and APPLY puts exactly the editor's new list in place.
TEST_F(MainSongList, NothingChangesTheListBehindTheEditor) {
    for (const char* n : {"a.mp3", "b.wav", "c.mp3"})
        dir.write(n, "x");
    fill({"one"});
    ui.mnuAddDir->trigger();
    QPointer<AddFolderWindow> adder = ui.m_addDir;
    adder->Dir1->setPath(dir.path());
    ui.Search->clicked();
    QPointer<SearchWindow> search = ui.m_search;

    ui.edit->clicked();
    ASSERT_TRUE(ui.m_editor);
    EXPECT_FALSE(adder->isEnabled());
    EXPECT_FALSE(search->isEnabled());
    QTest::mouseClick(adder->lblAdd, Qt::LeftButton); // a click on the window left on screen
    w.Clear_Click();
    w.mnuFromList_Click();
    w.mnuAddDir_Click();
    w.Search_Click();
    w.edit_Click();
    EXPECT_EQ(ui.lstnames->count(), 1);
    EXPECT_EQ(ui.lstFiles->count(), 1);

    ui.m_editor->Check1->setChecked(false);
    ui.m_editor->lstnames1->item(0)->setSelected(true);
    ui.m_editor->Command1_Click();
    ui.m_editor->Command1_Click();
    prompts.answer(Answer::Yes);
    ui.m_editor->Command6_Click();
    EXPECT_EQ(ui.lstnames->count(), 2);
    EXPECT_EQ(ui.lstFiles->count(), 2);
    EXPECT_TRUE(adder->isEnabled());
    EXPECT_TRUE(search->isEnabled());
    EXPECT_TRUE(w.listCommandsEnabled());
    QTest::mouseClick(adder->lblAdd, Qt::LeftButton);
    EXPECT_EQ(ui.lstnames->count(), 5);
}

// Each time the search window comes up, typing goes to its text box and replaces the last search.
TEST_F(MainSongList, TheSearchWindowTakesTypingEveryTimeItIsShown) {
    fill({"Alpha", "Beta", "Gamma", "Delta"});
    ui.lstnames->clearSelection();
    for (const char* typed : {"ta", "mm", "Al"}) {
        ui.Search->clicked();
        SearchWindow* form = ui.m_search;
        ASSERT_TRUE(form && form->isVisible());
        ASSERT_EQ(form->focusWidget(), form->Text1) << typed;
        EXPECT_EQ(form->Text1->selectedText(), form->Text1->text());
        QTest::keyClicks(form->focusWidget(), typed);
        EXPECT_EQ(form->Text1->text(), typed);
        QTest::mouseClick(form->Command1, Qt::LeftButton);
        EXPECT_EQ(ui.lstnames->currentItem()->text().contains(typed), true) << typed;
    }
}
