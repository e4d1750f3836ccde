#include <QPointer>

#include "songlistfixture.h"
#include "windows/editorwindow.h"

using namespace player;

using platform::Answer;
using platform::Buttons;
using platform::Icon;

class Editor : public SongListFixture {
protected:
    QWidget mainWindow;
    QPointer<EditorWindow> editor;

    void open() {
        mainWindow.hide();
        editor = new EditorWindow(list, &mainWindow);
        editor->load(list.visitAll());
        editor->show();
    }
    void TearDown() override { delete editor.data(); }
    void pick(std::initializer_list<int> rows) {
        editor->lstnames1->clearSelection();
        for (int r : rows)
            editor->lstnames1->item(r)->setSelected(true);
    }
    QStringList newNames() const { return column(editor->lstnames2); }
    QStringList newPaths() const { return column(editor->lstfiles2); }
};

TEST_F(Editor, OpensWithTheCurrentListAndTheMainSelectionOnItsLastEntry) {
    fill({"a", "b", "c"});
    list.select(0);
    open();
    EXPECT_EQ(editor->windowTitle(), "Playlist editor");
    EXPECT_EQ(editor->lstnames1->count(), 3);
    EXPECT_EQ(editor->lstnames0->item(2)->text(), "c");
    EXPECT_EQ(editor->lstfiles1->item(2)->text(), "/music/c");
    EXPECT_EQ(editor->lstnames2->count(), 0);
    EXPECT_TRUE(editor->Check1->isChecked());
    EXPECT_EQ(list.selectedIndex(), 2);
    EXPECT_EQ(files.currentRow(), 2);
}

TEST_F(Editor, PickingWithoutRenamingAddsInListOrderTwiceIfPressedTwice) {
    fill({"a", "b", "c", "d"});
    open();
    editor->Check1->setChecked(false);
    pick({3, 0, 2});
    editor->Command1_Click();
    EXPECT_EQ(newNames(), (QStringList{"a", "c", "d"}));
    editor->Command1_Click();
    EXPECT_EQ(newNames(), (QStringList{"a", "c", "d", "a", "c", "d"}));
    EXPECT_EQ(newPaths()[1], "/music/c");
    EXPECT_EQ(prompts.count(), 0);
}

TEST_F(Editor, RenamingKeptRenamedOrSkipped) {
    fill({"keep", "rename", "cleared", "cancelled"});
    open();
    pick({0, 1, 2, 3});
    prompts.answer(Answer::Yes)
        .answer(Answer::No)
        .answerInput("New name")
        .answer(Answer::No)
        .answerInput("")
        .answer(Answer::No)
        .answerInput(QString()); // Cancel gives the empty text
    editor->Command1_Click();
    EXPECT_EQ(newNames(), (QStringList{"keep", "New name"}));
    EXPECT_EQ(newPaths(), (QStringList{"/music/keep", "/music/rename"}));
    const auto& ask = prompts.records()[0];
    EXPECT_EQ(ask.text, "Do you want to keep the name keep\r\nfor this song?");
    EXPECT_EQ(ask.title, "Rename?");
    EXPECT_EQ(ask.buttons, Buttons::YesNo);
    EXPECT_EQ(ask.icon, Icon::Question);
    const auto& box = prompts.records()[2];
    EXPECT_EQ(box.text, "Please type the new songname here.");
    EXPECT_EQ(box.title, "Rename song");
    EXPECT_EQ(box.defaultText, "rename");
}

TEST_F(Editor, RemoveTakesTheSelectedSongOfTheNewList) {
    fill({"a", "b", "c"});
    open();
    editor->Check1->setChecked(false);
    pick({0, 1, 2});
    editor->Command1_Click();
    editor->Command2_Click(); // nothing selected: nothing
    EXPECT_EQ(newNames().size(), 3);
    editor->lstnames2->setCurrentRow(1);
    editor->Command2_Click();
    EXPECT_EQ(newNames(), (QStringList{"a", "c"}));
    EXPECT_EQ(newPaths(), (QStringList{"/music/a", "/music/c"}));
}

TEST_F(Editor, ApplyAnsweredNoKeepsEverythingAndYesReplacesTheMainList) {
    fill({"a", "b"});
    open();
    editor->Check1->setChecked(false);
    pick({1});
    editor->Command1_Click();
    prompts.answer(Answer::No);
    editor->Command6_Click();
    EXPECT_EQ(prompts.last().text, "Are you sure you want to apply all changes to the playlist?");
    EXPECT_EQ(prompts.last().title, "Apply changes?");
    EXPECT_FALSE(editor->isUnloaded());
    EXPECT_FALSE(mainWindow.isVisible());
    EXPECT_EQ(list.count(), 2);

    prompts.answer(Answer::Yes);
    editor->Command6_Click();
    EXPECT_EQ(allNames(), QStringList{"b"});
    EXPECT_EQ(allPaths(), QStringList{"/music/b"});
    EXPECT_TRUE(mainWindow.isVisible());
    EXPECT_TRUE(editor.isNull() || editor->isUnloaded());
}

TEST_F(Editor, AnEmptyListStaysEmpty) {
    open();
    prompts.answer(Answer::Yes);
    editor->Command1_Click();
    editor->Command6_Click();
    EXPECT_EQ(list.count(), 0);
    EXPECT_TRUE(mainWindow.isVisible());
}

TEST_F(Editor, CancelAndTheCloseBoxShowTheMainWindowWithItsListUnchanged) {
    for (const bool closeBox : {false, true}) {
        list.clear();
        fill({"a", "b"});
        open();
        editor->Check1->setChecked(false);
        pick({0});
        editor->Command1_Click();
        if (closeBox)
            editor->close();
        else
            editor->Command7_Click();
        EXPECT_TRUE(mainWindow.isVisible());
        EXPECT_EQ(allNames(), (QStringList{"a", "b"}));
        EXPECT_TRUE(editor.isNull() || editor->isUnloaded());
    }
}
