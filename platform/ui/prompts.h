#pragma once

#include <QString>

// The prompt seam: every modal message box, input box and file dialog of the suite goes through one Prompts
// object, so tests answer them from a script instead of blocking on a real modal window.
namespace platform {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Icon { None, Information, Question, Exclamation, Critical };
enum class Answer { Ok, Cancel, Yes, No };

struct FileDialogRequest {
    // "description|patterns|description|patterns", patterns separated by ";" (for example "Playlist
    // (*.mdp)|*.mdp").
    QString filter;
    QString title;
    QString initialDir;
    QString fileName; // pre-filled name
};

struct FileDialogResult {
    QString fileName;     // the full path; empty when cancelled
    QString fileTitle;    // the name without its folder; empty when cancelled
    int filterIndex = -1; // the description|patterns pair chosen, from 0; -1 when not known
    bool cancelled() const { return fileName.isEmpty(); }
};

class Prompts {
public:
    virtual ~Prompts() = default;
    // Escape and the box's close button answer Cancel whatever the buttons (Ok for a notice), so a question
    // with Yes and No alone can still be called off.
    virtual Answer message(const QString& text, Buttons buttons, Icon icon, const QString& title) = 0;
    // The same box with `defaultAnswer` on Enter: a question that deletes or discards has No there. A seam
    // that does not tell defaults apart shows it as message() does.
    virtual Answer ask(const QString& text, Buttons buttons, Icon icon, const QString& title,
                       Answer defaultAnswer) {
        (void)defaultAnswer;
        return message(text, buttons, icon, title);
    }
    // Cancel gives the empty text.
    virtual QString input(const QString& prompt, const QString& title, const QString& defaultText) = 0;
    virtual FileDialogResult openFile(const FileDialogRequest& request) = 0;
    virtual FileDialogResult saveFile(const FileDialogRequest& request) = 0;
    // A folder, starting at `initialDir`; empty when cancelled. A seam without one cancels.
    virtual QString chooseFolder(const QString& title, const QString& initialDir) {
        (void)title;
        (void)initialDir;
        return {};
    }
};

// The program's prompts. Until setPrompts is called this is the Qt implementation.
Prompts& prompts();
// Installs `p` (not owned) and returns the one it replaces; nullptr restores the Qt implementation.
Prompts* setPrompts(Prompts* p);

// A notice: OK only.
inline void notice(const QString& text, const QString& title, Icon icon = Icon::Exclamation) {
    prompts().message(text, Buttons::Ok, icon, title);
}

// Splits a "description|patterns|..." filter into Qt's "Description (*.a *.b);;..." form: the description
// once (patterns it names in brackets itself are dropped), the patterns blank-separated.
QString toQtFilter(const QString& filter);

} // namespace platform
