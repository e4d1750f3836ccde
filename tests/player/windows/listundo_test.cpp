// Undo and redo of every command that changes the song list, through the keys a user presses; a box closed
// by Escape cancels; the list kept across a restart of the window.
#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>

#include "console/listkeeper.h"
#include "windowfixture.h"
#include "windows/addfolderwindow.h"
#include "windows/editorwindow.h"

using namespace player;

using platform::Answer;

namespace {

class ListUndo : public WindowFixture {
protected:
    void SetUp() override {
        w.show();
        a = dir.write("a.mp3", "x");
        b = dir.write("b.mp3", "x");
        c = dir.file("c.mp3"); // its file is missing
        for (const QString& p : {a, b, c})
            addEntry(QFileInfo(p).fileName(), p);
        ui.lstnames->setCurrentRow(1);
        settle();
    }
    // The end of a turn of the event loop, where one change of the list ends.
    static void settle() { QCoreApplication::processEvents(); }
    QAction* key(const QKeySequence& k) {
        QAction* action = keyAction(w, k);
        if (!action)
            ADD_FAILURE() << "no command on " << k.toString().toStdString();
        return action;
    }
    QStringList entries() {
        QStringList out;
        for (int i = 0; i < ui.lstnames->count(); ++i)
            out << ui.lstnames->item(i)->text() + "=" + ui.lstFiles->item(i)->text();
        return out;
    }
    QString a, b, c;
};

} // namespace

TEST_F(ListUndo, EveryCommandThatChangesTheListIsUndoneAndRedone) {
    const QString playlist = dir.write("p.mdp", "-<>Playlist<>-\r\n/m/p.mp3\r\np\r\n");
    const QString folder = dir.file("folder");
    dir.write("folder/x.wav", "x");
    dir.write("folder/y.wav", "x");
    const QStringList start = entries();
    const QString pEntry = "p=/m/p.mp3";
    const QString aEntry = "a.mp3=" + a, bEntry = "b.mp3=" + b, cEntry = "c.mp3=" + c;
    const struct {
        const char* command;
        std::function<void()> act;
        QStringList after;
        bool deletesB;
        int selectedBefore = 1; // the editor leaves the last entry selected when it opens
    } cases[] = {
        {"add a file",
         [&] {
             prompts.answerFile(dir.file("n.wav"));
             w.MnuAddFile_Click();
         },
         start + QStringList{"n.wav=" + dir.file("n.wav")}, false},
        {"add a playlist",
         [&] {
             prompts.answerFile(playlist);
             w.mnuAddPlaylist_Click();
         },
         start + QStringList{pEntry}, false},
        {"add a folder",
         [&] {
             w.mnuAddDir_Click();
             ui.m_addDir->Dir1->setPath(folder);
             ui.m_addDir->lblAdd_Click();
         },
         start + QStringList{"x.wav=" + folder + "/x.wav", "y.wav=" + folder + "/y.wav"}, false},
        {"remove from playlist", [&] { w.mnuRmvLst_Click(); }, {aEntry, cEntry}, false},
        {"from list", [&] { w.mnuFromList_Click(); }, {aEntry, cEntry}, false},
        {"remove from computer",
         [&] {
             prompts.answer(Answer::Yes);
             w.mnuDelete_Click();
         },
         {aEntry, cEntry},
         true},
        {"from pc",
         [&] {
             prompts.answer(Answer::Yes).answer(Answer::Ok);
             w.mnuFromPc_Click();
         },
         {aEntry, cEntry},
         true},
        {"remove missing",
         [&] {
             prompts.answer(Answer::Yes);
             w.mnuRmvMissing_Click();
         },
         {aEntry, bEntry},
         false},
        {"clear", [&] { w.Clear_Click(); }, {}, false},
        {"new",
         [&] {
             prompts.answer(Answer::No);
             w.New_Click();
         },
         {},
         false},
        {"open",
         [&] {
             prompts.answerFile(playlist);
             w.Open_Click();
         },
         {pEntry},
         false},
        {"apply an empty new list",
         [&] {
             w.edit_Click();
             prompts.answer(Answer::Yes);
             ui.m_editor->Command6_Click();
         },
         {},
         false,
         2},
    };
    for (const auto& step : cases) {
        SCOPED_TRACE(step.command);
        step.act();
        settle();
        EXPECT_EQ(entries(), step.after);
        key(QKeySequence(Qt::CTRL | Qt::Key_Z))->trigger();
        EXPECT_EQ(entries(), start);
        EXPECT_EQ(ui.lstnames->currentRow(), step.selectedBefore);
        EXPECT_TRUE(ui.lstnames->item(step.selectedBefore)->isSelected());
        key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z))->trigger();
        EXPECT_EQ(entries(), step.after);
        key(QKeySequence(Qt::CTRL | Qt::Key_Z))->trigger();
        key(QKeySequence(Qt::CTRL | Qt::Key_Y))->trigger();
        EXPECT_EQ(entries(), step.after);
        key(QKeySequence(Qt::CTRL | Qt::Key_Z))->trigger();
        EXPECT_EQ(entries(), start);
        // The entry comes back, the file does not.
        EXPECT_EQ(QFile::exists(b), !step.deletesB);
        if (step.deletesB)
            dir.write("b.mp3", "x");
        ui.lstnames->setCurrentRow(1);
        settle();
    }
    // Nothing is left to redo after a new change, and undo goes back one command at a time.
    w.Clear_Click();
    settle();
    key(QKeySequence(Qt::CTRL | Qt::Key_Y))->trigger();
    EXPECT_TRUE(entries().isEmpty());
}

TEST_F(ListUndo, EscapeOnAQuestionCancelsAndQuestionsThatDeleteHaveNoForTheirDefault) {
    const QStringList start = entries();
    // Escape or the window's close box: the seam answers Cancel.
    prompts.answer(Answer::Cancel);
    w.New_Click();
    EXPECT_EQ(entries(), start);
    EXPECT_EQ(prompts.last().text, "Save current playlist?");
    EXPECT_EQ(prompts.last().defaultAnswer, std::nullopt);

    const struct {
        std::function<void()> act;
        const char* title;
    } deleting[] = {
        {[&] { w.mnuDelete_Click(); }, "Delete file?"},
        {[&] { w.mnuFromPc_Click(); }, "Remove song from PC?"},
        {[&] { w.mnuRmvMissing_Click(); }, "Remove missing"},
    };
    for (const auto& q : deleting) {
        prompts.answer(Answer::No);
        q.act();
        EXPECT_EQ(prompts.last().title, q.title);
        EXPECT_EQ(prompts.last().defaultAnswer, Answer::No) << q.title;
    }
    EXPECT_EQ(entries(), start);
    EXPECT_TRUE(QFile::exists(b));
}

TEST_F(ListUndo, TheListAndItsSelectionAreKeptAcrossARestart) {
    const QString kept = dir.file("config/Deckmora.songlist");
    const QStringList start = entries();
    {
        MainWindow first(*engine);
        first.setQuitAction([] {});
        first.keepList(kept);
        MainElements& e = first.elementsForTest();
        EXPECT_EQ(e.lstnames->count(), 0);
        for (int i = 0; i < ui.lstnames->count(); ++i) {
            e.lstnames->addItem(ui.lstnames->item(i)->text());
            e.lstFiles->addItem(ui.lstFiles->item(i)->text());
        }
        e.lstnames->setCurrentRow(2);
    } // closed: what waits to be written is written
    MainWindow second(*engine);
    second.keepList(kept);
    MainElements& e = second.elementsForTest();
    ASSERT_EQ(e.lstnames->count(), 3);
    EXPECT_EQ(e.lstFiles->item(2)->text(), c);
    EXPECT_EQ(e.lstnames->currentRow(), 2);
    // The restored list is where undo starts.
    QAction* undo = keyAction(second, QKeySequence(Qt::CTRL | Qt::Key_Z));
    ASSERT_NE(undo, nullptr);
    undo->trigger();
    EXPECT_EQ(e.lstnames->count(), 3);
}

TEST_F(ListUndo, ADamagedKeptListIsSetAsideAndTheUserTold) {
    const QString kept = dir.write("Deckmora.songlist", "DECKMORA-SONGLIST-1\nnot whole");
    prompts.answer(Answer::Ok);
    MainWindow window(*engine);
    window.keepList(kept);
    EXPECT_EQ(window.elementsForTest().lstnames->count(), 0);
    EXPECT_TRUE(prompts.last().text.contains(kept + ".damaged"));
    EXPECT_EQ(TempDir::read(kept + ".damaged"), "DECKMORA-SONGLIST-1\nnot whole");
}
