#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "scriptedprompts.h"
#include "ui/prompts.h"

using namespace platform;

TEST(ScriptedPrompts, AnswersInOrderAndRecordsEveryPrompt) {
    ScriptedPrompts p;
    p.answer(Answer::Yes).answerInput("new name").answerFile("/tmp/x/list.mdp").answerFile("");
    EXPECT_EQ(prompts().message("Sure?", Buttons::YesNo, Icon::Question, "Deckmora"), Answer::Yes);
    EXPECT_EQ(prompts().input("Rename song", "Rename", "old"), QStringLiteral("new name"));
    const FileDialogResult open = prompts().openFile({"Playlist (*.mdp)|*.mdp", "Open", {}, {}});
    EXPECT_EQ(open.fileName, QStringLiteral("/tmp/x/list.mdp"));
    EXPECT_EQ(open.fileTitle, QStringLiteral("list.mdp"));
    EXPECT_TRUE(prompts().saveFile({"Playlist (*.mdp)|*.mdp", "Save", {}, {}}).cancelled());

    ASSERT_EQ(p.count(), 4);
    const auto& m = p.records()[0];
    EXPECT_EQ(m.kind, ScriptedPrompts::Kind::Message);
    EXPECT_EQ(m.text, QStringLiteral("Sure?"));
    EXPECT_EQ(m.title, QStringLiteral("Deckmora"));
    EXPECT_EQ(m.buttons, Buttons::YesNo);
    EXPECT_EQ(m.icon, Icon::Question);
    EXPECT_EQ(p.records()[1].defaultText, QStringLiteral("old"));
    EXPECT_EQ(p.records()[3].dialog.filter, QStringLiteral("Playlist (*.mdp)|*.mdp"));
}

TEST(ScriptedPrompts, AnUnexpectedPromptFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompts p;
            prompts().message("Surprise", Buttons::Ok, Icon::Exclamation, "Deckmora");
        },
        "unexpected message box");
}

TEST(ScriptedPrompts, AnAnswerNeverAskedForFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompts p;
            p.answer(Answer::No);
        },
        "never asked for");
}

TEST(ScriptedPrompts, AnAnswerOfTheWrongKindFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedPrompts p;
            p.answerInput("text");
            prompts().message("Sure?", Buttons::YesNo, Icon::Question, "Deckmora");
        },
        "does not fit");
}

TEST(ScriptedPrompts, RestoresThePreviousPromptsWhenDone) {
    Prompts* before = &prompts();
    {
        ScriptedPrompts p;
        EXPECT_EQ(&prompts(), &p);
    }
    EXPECT_EQ(&prompts(), before);
}

TEST(Prompts, FilterConvertsToQtForm) {
    EXPECT_EQ(toQtFilter("Music  files (*.mp3;*.wav)|*.mp3;*.wav;"),
              QStringLiteral("Music  files [*.mp3;*.wav] (*.mp3 *.wav )"));
    EXPECT_EQ(toQtFilter("Playlist|*.mdp|All|*.*"), QStringLiteral("Playlist (*.mdp);;All (*.*)"));
}
