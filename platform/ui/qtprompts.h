#pragma once

#include "ui/prompts.h"

namespace platform {

// Prompts on Qt's own dialogs.
class QtPrompts : public Prompts {
public:
    Answer message(const QString& text, Buttons buttons, Icon icon, const QString& title) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;
    FileDialogResult openFile(const FileDialogRequest& request) override;
    FileDialogResult saveFile(const FileDialogRequest& request) override;
};

} // namespace platform
