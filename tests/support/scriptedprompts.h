#pragma once

#include <QString>
#include <deque>
#include <optional>
#include <variant>
#include <vector>

#include "ui/prompts.h"

// Answers prompts from a queue and records every one. A prompt that comes when nothing is queued for it, or
// an answer queued for a prompt that never came, fails the running test. Installed for its lifetime.
class ScriptedPrompts : public platform::Prompts {
public:
    enum class Kind { Message, Input, OpenFile, SaveFile, Folder };
    struct Record {
        Kind kind;
        QString text; // message text or input prompt
        QString title;
        platform::Buttons buttons = platform::Buttons::Ok;
        platform::Icon icon = platform::Icon::None;
        QString defaultText;                           // input boxes
        platform::FileDialogRequest dialog;            // file dialogs
        std::optional<platform::Answer> defaultAnswer; // message boxes that asked for one
    };

    ScriptedPrompts();
    ~ScriptedPrompts() override;
    ScriptedPrompts(const ScriptedPrompts&) = delete;
    ScriptedPrompts& operator=(const ScriptedPrompts&) = delete;

    ScriptedPrompts& answer(platform::Answer a);
    ScriptedPrompts& answerInput(const QString& text);
    // Empty = cancelled; `filterIndex` is the filter the user chose in the dialog.
    ScriptedPrompts& answerFile(const QString& path, int filterIndex = -1);
    // Empty = cancelled.
    ScriptedPrompts& answerFolder(const QString& path);

    const std::vector<Record>& records() const { return m_records; }
    const Record& last() const;
    int count() const { return static_cast<int>(m_records.size()); }
    int pending() const { return static_cast<int>(m_queue.size()); }
    void clear() { m_records.clear(); }

    platform::Answer message(const QString& text, platform::Buttons buttons, platform::Icon icon,
                             const QString& title) override;
    platform::Answer ask(const QString& text, platform::Buttons buttons, platform::Icon icon,
                         const QString& title, platform::Answer defaultAnswer) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;
    platform::FileDialogResult openFile(const platform::FileDialogRequest& request) override;
    platform::FileDialogResult saveFile(const platform::FileDialogRequest& request) override;
    QString chooseFolder(const QString& title, const QString& initialDir) override;

private:
    struct FileAnswer {
        QString path;
        int filterIndex = -1;
    };
    using Queued = std::variant<platform::Answer, QString, FileAnswer>;
    template <class T> bool take(Kind kind, T& out);
    platform::Answer answerMessage(platform::Buttons buttons);
    platform::FileDialogResult fileDialog(Kind kind, const platform::FileDialogRequest& request);

    std::deque<Queued> m_queue;
    std::vector<Record> m_records;
    platform::Prompts* m_previous = nullptr;
};
