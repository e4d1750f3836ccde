#include "ui/qtprompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

namespace platform {

namespace {

QWidget* parentWindow() {
    return QApplication::activeWindow();
}

FileDialogResult resultFor(const QString& path) {
    FileDialogResult r;
    if (!path.isEmpty()) {
        r.fileName = path;
        r.fileTitle = QFileInfo(path).fileName();
    }
    return r;
}

} // namespace

Answer QtPrompts::message(const QString& text, Buttons buttons, Icon icon, const QString& title) {
    QMessageBox box(parentWindow());
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case Icon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case Icon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    switch (buttons) {
    case Buttons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case Buttons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case Buttons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case Buttons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Cancel:
        return Answer::Cancel;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        // Closed by Escape or the close box: the most cautious answer the box offered.
        return buttons == Buttons::Ok ? Answer::Ok : buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
    }
}

QString QtPrompts::input(const QString& prompt, const QString& title, const QString& defaultText) {
    bool ok = false;
    const QString text =
        QInputDialog::getText(parentWindow(), title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

FileDialogResult QtPrompts::openFile(const FileDialogRequest& request) {
    QString dir = request.initialDir;
    if (!request.fileName.isEmpty())
        dir = QFileInfo(QDir(dir), request.fileName).filePath();
    return resultFor(
        QFileDialog::getOpenFileName(parentWindow(), request.title, dir, toQtFilter(request.filter)));
}

FileDialogResult QtPrompts::saveFile(const FileDialogRequest& request) {
    QString dir = request.initialDir;
    if (!request.fileName.isEmpty())
        dir = QFileInfo(QDir(dir), request.fileName).filePath();
    // Saving over an existing file replaces it without a question, as every command that saves expects.
    const QString filters = toQtFilter(request.filter);
    QString chosenFilter;
    FileDialogResult r = resultFor(QFileDialog::getSaveFileName(
        parentWindow(), request.title, dir, filters, &chosenFilter, QFileDialog::DontConfirmOverwrite));
    // The caller may pick a file format by the filter chosen.
    r.filterIndex = static_cast<int>(filters.split(QStringLiteral(";;")).indexOf(chosenFilter));
    return r;
}

} // namespace platform
