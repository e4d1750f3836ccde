#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "scriptedprompts.h"
#include "ui/prompts.h"
#include "ui/qtprompts.h"

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

// Each description once, its patterns after it as Qt's dialog wants them; the dialog must read every line
// back to the same patterns.
TEST(Prompts, FilterConvertsToQtForm) {
    const std::pair<const char*, const char*> cases[] = {
        {"Music  files (*.mp3;*.wav)|*.mp3;*.wav;", "Music files (*.mp3 *.wav)"},
        {"playlist files (*.mdp)|*.mdp", "playlist files (*.mdp)"},
        {"Playlist files|*.mdp", "Playlist files (*.mdp)"},
        {"Playlist|*.mdp|All|*.*", "Playlist (*.mdp);;All (*.*)"},
        {"Songs (old)|*.mp3",
         "Songs (old) (*.mp3)"}, // brackets that name no pattern are the description's own
    };
    for (const auto& [filter, shown] : cases) {
        EXPECT_EQ(toQtFilter(filter), QString::fromLatin1(shown)) << filter;
        const auto dialog = makeFileDialog({filter, {}, {}, {}}, QFileDialog::AcceptOpen, nullptr);
        EXPECT_EQ(dialog->nameFilters().join(";;"), QString::fromLatin1(shown)) << filter;
    }
}
