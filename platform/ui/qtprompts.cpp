#include "ui/qtprompts.h"

#include <QApplication>
#include <QCompleter>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QInputDialog>
#include <QList>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPointer>
#include <QPushButton>
#include <QSpacerItem>
#include <optional>

#include "ui/windowplace.h"

namespace platform {

namespace {

// Remembers the program's windows in the order they were last shown or activated.
class OwnerTracker : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if ((e->type() == QEvent::Show || e->type() == QEvent::WindowActivate) && watched->isWidgetType()) {
            auto* w = static_cast<QWidget*>(watched);
            const Qt::WindowType type = w->windowType();
            if (w->isWindow() && type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen) {
                m_recent.removeAll(w);
                m_recent.prepend(w);
                m_recent.removeAll(nullptr);
            }
        }
        return false;
    }
    QWidget* latestOnScreen() const {
        for (const QPointer<QWidget>& w : m_recent)
            if (w && w->isVisible() && !w->isMinimized())
                return w;
        return nullptr;
    }

private:
    QList<QPointer<QWidget>> m_recent;
};

OwnerTracker* g_tracker = nullptr;

// A program may run with a plain QCoreApplication (deckmora --analyse): qApp, a QApplication, is not assumed.
void installOwnerTracker() {
    g_tracker = new OwnerTracker;
    QCoreApplication::instance()->installEventFilter(g_tracker);
    QObject::connect(QCoreApplication::instance(), &QObject::destroyed, [] {
        delete g_tracker;
        g_tracker = nullptr;
    });
}

// Watches from the application's start, so the first prompt already knows the windows before it.
Q_COREAPP_STARTUP_FUNCTION(installOwnerTracker)

FileDialogResult resultFor(const QString& path) {
    FileDialogResult r;
    if (!path.isEmpty()) {
        r.fileName = path;
        r.fileTitle = QFileInfo(path).fileName();
    }
    return r;
}

// A box as narrow as its text would cut its title short in the window manager's bar.
void makeRoomForTitle(QDialog& box, const QString& title) {
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleBarWidth(title), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
    else
        box.setMinimumWidth(titleBarWidth(title));
}

void dressAsProgram(QDialog& box) {
    box.setWindowIcon(QApplication::windowIcon());
}

FileDialogResult runFileDialog(const FileDialogRequest& request, QFileDialog::AcceptMode mode) {
    const std::unique_ptr<QFileDialog> dialog = makeFileDialog(request, mode, promptOwner());
    if (dialog->exec() != QDialog::Accepted)
        return {};
    FileDialogResult r = resultFor(dialog->selectedFiles().value(0));
    // The caller may pick a file format by the filter chosen.
    r.filterIndex = static_cast<int>(dialog->nameFilters().indexOf(dialog->selectedNameFilter()));
    return r;
}

} // namespace

QWidget* promptOwner() {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* latest = g_tracker ? g_tracker->latestOnScreen() : nullptr)
        return latest;
    return QApplication::activeWindow();
}

QIcon NameOnlyIconProvider::icon(const QFileInfo& info) const {
    if (info.isRoot())
        return icon(Drive);
    if (info.isDir())
        return icon(Folder);
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    for (const QString& name : {mime.iconName(), mime.genericIconName()}) {
        const QIcon themed = QIcon::fromTheme(name);
        if (!themed.isNull())
            return themed;
    }
    return icon(File);
}

QString NameOnlyIconProvider::type(const QFileInfo& info) const {
    if (info.isRoot())
        return QApplication::translate("NameOnlyIconProvider", "Drive");
    if (info.isDir())
        return QApplication::translate("NameOnlyIconProvider", "Folder");
    if (!info.isFile())
        return QApplication::translate("NameOnlyIconProvider", "Special file");
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
    return mime.comment().isEmpty() ? mime.name() : mime.comment();
}

std::unique_ptr<QFileDialog> makeFileDialog(const FileDialogRequest& request, QFileDialog::AcceptMode mode,
                                            QWidget* parent) {
    static NameOnlyIconProvider provider;
    QString dir = request.initialDir;
    if (!request.fileName.isEmpty())
        dir = QFileInfo(QDir(dir), request.fileName).filePath();
    auto dialog = std::make_unique<QFileDialog>(parent, request.title, dir, toQtFilter(request.filter));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    // Saving over an existing file replaces it without a question, as every command that saves expects.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog->setIconProvider(&provider);
    QList<QFileSystemModel*> models = dialog->findChildren<QFileSystemModel*>();
    for (const QCompleter* c : dialog->findChildren<QCompleter*>())
        if (auto* m = qobject_cast<QFileSystemModel*>(c->model()))
            models << m;
    for (QFileSystemModel* m : models)
        m->setIconProvider(&provider);
    dressAsProgram(*dialog);
    return dialog;
}

namespace {

QMessageBox::StandardButton standardButton(Answer a) {
    switch (a) {
    case Answer::Ok:
        return QMessageBox::Ok;
    case Answer::Cancel:
        return QMessageBox::Cancel;
    case Answer::Yes:
        return QMessageBox::Yes;
    case Answer::No:
        return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

Answer runBox(const QString& text, Buttons buttons, Icon icon, const QString& title,
              std::optional<Answer> defaultAnswer) {
    QMessageBox box(promptOwner());
    box.setWindowTitle(title);
    box.setText(text);
    dressAsProgram(box);
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
    if (buttons == Buttons::YesNo) {
        // Left to itself the box would take Escape and its close button for No; they call the question off.
        QPushButton* off = box.addButton(QMessageBox::Cancel);
        off->hide();
        box.setEscapeButton(off);
    }
    if (defaultAnswer)
        box.setDefaultButton(standardButton(*defaultAnswer));
    makeRoomForTitle(box, title);
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
        // Closed by Escape or the close box.
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

} // namespace

Answer QtPrompts::message(const QString& text, Buttons buttons, Icon icon, const QString& title) {
    return runBox(text, buttons, icon, title, std::nullopt);
}

Answer QtPrompts::ask(const QString& text, Buttons buttons, Icon icon, const QString& title,
                      Answer defaultAnswer) {
    return runBox(text, buttons, icon, title, defaultAnswer);
}

QString QtPrompts::input(const QString& prompt, const QString& title, const QString& defaultText) {
    QInputDialog box(promptOwner());
    box.setWindowTitle(title);
    box.setLabelText(prompt);
    box.setTextValue(defaultText);
    dressAsProgram(box);
    box.setMinimumWidth(titleBarWidth(title));
    return box.exec() == QDialog::Accepted ? box.textValue() : QString();
}

FileDialogResult QtPrompts::openFile(const FileDialogRequest& request) {
    return runFileDialog(request, QFileDialog::AcceptOpen);
}

FileDialogResult QtPrompts::saveFile(const FileDialogRequest& request) {
    return runFileDialog(request, QFileDialog::AcceptSave);
}

QString QtPrompts::chooseFolder(const QString& title, const QString& initialDir) {
    FileDialogRequest request;
    request.title = title;
    request.initialDir = initialDir;
    const std::unique_ptr<QFileDialog> dialog =
        makeFileDialog(request, QFileDialog::AcceptOpen, promptOwner());
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly);
    if (dialog->exec() != QDialog::Accepted)
        return {};
    return dialog->selectedFiles().value(0);
}

} // namespace platform
