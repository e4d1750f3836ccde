#pragma once

#include <QFileDialog>
#include <QFileIconProvider>
#include <memory>

#include "ui/prompts.h"

namespace platform {

// Prompts on Qt's own dialogs, each centred on the window it belongs to (promptOwner) and carrying the
// program's icon.
class QtPrompts : public Prompts {
public:
    Answer message(const QString& text, Buttons buttons, Icon icon, const QString& title) override;
    Answer ask(const QString& text, Buttons buttons, Icon icon, const QString& title,
               Answer defaultAnswer) override;
    QString input(const QString& prompt, const QString& title, const QString& defaultText) override;
    FileDialogResult openFile(const FileDialogRequest& request) override;
    FileDialogResult saveFile(const FileDialogRequest& request) override;
    QString chooseFolder(const QString& title, const QString& initialDir) override;
};

// The window a prompt belongs to: the modal dialog in front, else the program window shown or activated
// last that is still on screen (the one the user just worked in, even while the window system has not yet
// given the focus back after an earlier dialog), else none.
QWidget* promptOwner();

// Icons and type names from file names alone. Qt's own provider sniffs a file's first bytes for its type,
// and opening a FIFO, a device or a file under /proc such as /proc/kmsg blocks for good.
class NameOnlyIconProvider : public QFileIconProvider {
public:
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;
};

// The file dialog the prompts show, built but not shown: Qt's own dialog (a native one would list files its
// own way), every file system model in it (the list's and the completer's) on NameOnlyIconProvider.
std::unique_ptr<QFileDialog> makeFileDialog(const FileDialogRequest& request, QFileDialog::AcceptMode mode,
                                            QWidget* parent);

} // namespace platform
