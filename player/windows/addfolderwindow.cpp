#include "addfolderwindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocale>
#include <QMouseEvent>

#include "console/songlistcommands.h"
#include "core/rounding.h"
#include "core/twips.h"
#include "ui/windowplace.h"

namespace player {

using platform::toPixels;
using platform::TwipsRect;

namespace {

// Positions in twips: left, top, width, height. The window is as wide as a title bar needs to show its whole
// title.
constexpr TwipsRect kWindow{0, 0, 4215, 3735};
constexpr TwipsRect kDrive1{120, 120, 3975, 315};
constexpr TwipsRect kDir1{120, 480, 3975, 2055};
constexpr TwipsRect kFile1{120, 480, 3975, 2055};
constexpr TwipsRect kLblSongs{120, 2640, 3975, 255};
constexpr TwipsRect kLblAdd{120, 3120, 1335, 375};
constexpr TwipsRect kLblCancel{2760, 3120, 1335, 375};
constexpr TwipsRect kFrame1{120, 2520, 3975, 1095};
constexpr TwipsRect kLabel1{120, 120, 3735, 255};
constexpr TwipsRect kPb{120, 420, 3735, 255};
constexpr TwipsRect kProcent{120, 720, 3735, 255};

// The window repaints its progress at least this often while adding; between two yields it only appends.
constexpr qint64 kYieldEveryMs = 15;

QLabel* makeLabel(const QString& text, const TwipsRect& r, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(toPixels(r));
    return l;
}

} // namespace

AddFolderWindow::AddFolderWindow(const SongList& list, QWidget* parent)
    : QWidget(parent, Qt::Window), m_list(list) {
    setObjectName(QStringLiteral("FrmAddDir")); // the name the program's behaviour knows this window by
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Add Dir (only wav & mp3)"));
    setFixedSize(toPixels(kWindow).size());
    platform::keepPlace(this);

    Drive1 = new platform::DriveList(this);
    Drive1->setGeometry(toPixels(kDrive1));
    Dir1 = new platform::FolderList(this);
    Dir1->setGeometry(toPixels(kDir1));
    File1 = new platform::FileList(this);
    File1->setGeometry(toPixels(kFile1));
    File1->setPattern(QStringLiteral("*.mp3;*.wav"));
    File1->hide();
    lblSongs = makeLabel(QStringLiteral("Songs in this folder : 0"), kLblSongs, this);
    lblAdd = makeLabel(QStringLiteral("Add Dir"), kLblAdd, this);
    lblCancel = makeLabel(QStringLiteral("Cancel"), kLblCancel, this);
    for (QLabel* l : {lblAdd, lblCancel}) {
        l->setAlignment(Qt::AlignCenter);
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
    }

    Frame1 = new QFrame(this);
    Frame1->setGeometry(toPixels(kFrame1));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setAutoFillBackground(true);
    Label1 = makeLabel(QStringLiteral("Please wait one moment, busy"), kLabel1, Frame1);
    pb = new platform::ProgressBar(Frame1);
    pb->setGeometry(toPixels(kPb));
    Procent = makeLabel(QStringLiteral("0 %"), kProcent, Frame1);
    Frame1->hide();

    // Every list starts at the process's current folder, and "Add Dir" follows its rule from the first
    // showing.
    const QString start = QDir::currentPath();
    Drive1->setDrive(driveOf(start));
    if (!Dir1->setPath(start))
        Dir1->setPath(QDir::rootPath());
    Dir1_Change();
    connect(Drive1, &platform::DriveList::driveChanged, this, [this] { Drive1_Change(); });
    connect(Dir1, &platform::FolderList::pathChanged, this, [this] { Dir1_Change(); });
}

QString AddFolderWindow::driveOf(const QString& path) {
    return platform::driveOf(path);
}

QString AddFolderWindow::percentText(int i, int n) {
    const double percent = platform::roundHalfEven(100.0 * i / n, 1);
    return QLocale().toString(percent, 'g', QLocale::FloatingPointShortest) + QStringLiteral(" % complete");
}

void AddFolderWindow::Drive1_Change() {
    // A drive that cannot be read leaves the window where it was.
    if (!Dir1->setPath(Drive1->drive()))
        Drive1->setDrive(driveOf(Dir1->path()));
}

void AddFolderWindow::Dir1_Change() {
    Drive1->setDrive(driveOf(Dir1->path()));
    File1->setPath(Dir1->path());
    const int n = File1->count();
    if (n == 0) {
        lblAdd->setEnabled(false);
        return;
    }
    lblAdd->setEnabled(true);
    lblSongs->setText(QStringLiteral("Songs in folder : ") + QString::number(n));
}

void AddFolderWindow::lblAdd_Click() {
    const int n = File1->count();
    if (m_adding || n == 0)
        return;
    setAdding(true);
    Frame1->show();
    pb->setMax(n);
    const QString folder = Dir1->path();
    QElapsedTimer slice;
    slice.start();
    for (int i = 0; i < n; ++i) {
        const QString name = File1->fileName(i);
        if (!songlistcommands::appendSong(m_list, name, platform::joinPath(folder, name)))
            break;
        pb->setValue(i);
        Procent->setText(percentText(i, n));
        if (slice.elapsed() >= kYieldEveryMs) {
            QCoreApplication::processEvents();
            slice.restart();
        }
    }
    File1->setCurrentRow(n - 1);
    pb->setValue(0);
    Frame1->hide();
    setAdding(false);
    hide();
}

void AddFolderWindow::lblCancel_Click() {
    close();
}

void AddFolderWindow::setAdding(bool adding) {
    m_adding = adding;
    for (QWidget* w :
         {static_cast<QWidget*>(Drive1), static_cast<QWidget*>(Dir1), static_cast<QWidget*>(lblCancel)})
        w->setEnabled(!adding);
    if (adding)
        lblAdd->setEnabled(false);
    else
        lblAdd->setEnabled(File1->count() > 0);
    emit addingChanged(adding);
}

void AddFolderWindow::closeEvent(QCloseEvent* e) {
    if (m_adding) {
        e->ignore();
        return;
    }
    m_unloaded = true;
    e->accept();
}

bool AddFolderWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
        if (watched == lblAdd && lblAdd->isEnabled())
            lblAdd_Click();
        else if (watched == lblCancel && lblCancel->isEnabled())
            lblCancel_Click();
        return false;
    }
    return QWidget::eventFilter(watched, e);
}

} // namespace player
