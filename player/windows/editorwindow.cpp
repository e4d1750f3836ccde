#include "editorwindow.h"

#include <QCloseEvent>
#include <QStringList>
#include <algorithm>

#include "console/songlistcommands.h"
#include "core/twips.h"
#include "ui/prompts.h"

namespace player {

using platform::Answer;
using platform::toPixels;
using platform::TwipsRect;

namespace {

constexpr TwipsRect kClient{0, 0, 8415, 5175};
constexpr TwipsRect kFrame1{120, 120, 3735, 4335};
constexpr TwipsRect kLstnames1{120, 240, 3495, 3960}; // inside Frame1
constexpr TwipsRect kFrame2{4560, 120, 3735, 4335};
constexpr TwipsRect kLstnames2{120, 240, 3495, 3960}; // inside Frame2
constexpr TwipsRect kCommand1{3960, 1800, 495, 375};
constexpr TwipsRect kCommand2{3960, 2400, 495, 375};
constexpr TwipsRect kCheck1{120, 4620, 3255, 375};
constexpr TwipsRect kCommand6{5400, 4620, 1335, 375};
constexpr TwipsRect kCommand7{6960, 4620, 1335, 375};

QListWidget* hiddenList(QWidget* parent) {
    auto* l = new QListWidget(parent);
    l->hide();
    return l;
}

} // namespace

EditorWindow::EditorWindow(const SongList& mainList, QWidget* mainWindow, QWidget* parent)
    : QWidget(parent, Qt::Window), m_main(mainList), m_new(nullptr, nullptr), m_mainWindow(mainWindow) {
    setObjectName(QStringLiteral("frmeditplaylist")); // the name the program's behaviour knows this window by
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Playlist editor"));
    setFixedSize(toPixels(kClient).size());
    setAttribute(Qt::WA_StyledBackground);
    // Child selectors only: the rename boxes are children too and keep the look of every other box.
    setStyleSheet(
        QStringLiteral("EditorWindow { background: rgb(64, 64, 64); }"
                       "EditorWindow > QGroupBox, EditorWindow > QCheckBox { color: rgb(0, 255, 0); }"));

    Frame1 = new QGroupBox(QStringLiteral("Current playlist"), this);
    Frame1->setGeometry(toPixels(kFrame1));
    lstnames1 = new QListWidget(Frame1);
    lstnames1->setGeometry(toPixels(kLstnames1));
    lstnames1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstnames0 = hiddenList(Frame1);
    lstfiles1 = hiddenList(Frame1);

    Frame2 = new QGroupBox(QStringLiteral("New"), this);
    Frame2->setGeometry(toPixels(kFrame2));
    lstnames2 = new QListWidget(Frame2);
    lstnames2->setGeometry(toPixels(kLstnames2));
    lstfiles2 = hiddenList(Frame2);
    SongList::setUpControls(lstnames2, lstfiles2);
    m_new = SongList(lstnames2, lstfiles2);
    for (QListWidget* l : {lstnames1, lstnames0, lstfiles1})
        l->setUniformItemSizes(true);

    Command1 = new QPushButton(QStringLiteral(">"), this);
    Command1->setGeometry(toPixels(kCommand1));
    Command1->setToolTip(QStringLiteral("Add selected song to new playlist"));
    Command2 = new QPushButton(QStringLiteral("<"), this);
    Command2->setGeometry(toPixels(kCommand2));
    Command2->setToolTip(QStringLiteral("Remove selected song from new playlist"));
    Check1 = new QCheckBox(QStringLiteral("Ask if I want to rename"), this);
    Check1->setGeometry(toPixels(kCheck1));
    Check1->setChecked(true);
    Command6 = new QPushButton(QStringLiteral("APPLY"), this);
    Command6->setGeometry(toPixels(kCommand6));
    Command7 = new QPushButton(QStringLiteral("CANCEL"), this);
    Command7->setGeometry(toPixels(kCommand7));

    connect(Command1, &QPushButton::clicked, this, &EditorWindow::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &EditorWindow::Command2_Click);
    connect(Command6, &QPushButton::clicked, this, &EditorWindow::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &EditorWindow::Command7_Click);
}

void EditorWindow::load(const QList<Song>& songs) {
    QStringList names, paths;
    names.reserve(songs.size());
    paths.reserve(songs.size());
    for (const Song& s : songs) {
        names << s.name;
        paths << s.path;
    }
    lstnames1->addItems(names);
    lstnames0->addItems(names);
    lstfiles1->addItems(paths);
}

void EditorWindow::Command1_Click() {
    QList<int> rows;
    for (const QModelIndex& i : lstnames1->selectionModel()->selectedIndexes())
        rows << i.row();
    std::sort(rows.begin(), rows.end());
    for (const int i : rows) {
        QString name = lstnames0->item(i)->text();
        if (Check1->checkState() == Qt::Checked &&
            platform::prompts().message(QStringLiteral("Do you want to keep the name ") + name +
                                            QStringLiteral("\r\nfor this song?"),
                                        platform::Buttons::YesNo, platform::Icon::Question,
                                        QStringLiteral("Rename?")) != Answer::Yes) {
            name = platform::prompts().input(QStringLiteral("Please type the new songname here."),
                                             QStringLiteral("Rename song"), name);
            if (name.isEmpty())
                continue; // a cleared field or Cancel skips this song
        }
        if (!songlistcommands::appendSong(m_new, name, lstfiles1->item(i)->text()))
            return;
    }
}

void EditorWindow::Command2_Click() {
    for (int i = 0; i < lstnames2->count(); ++i) {
        if (lstnames2->item(i)->isSelected()) {
            m_new.remove(i);
            return;
        }
    }
}

void EditorWindow::Command6_Click() {
    if (platform::prompts().ask(QStringLiteral("Are you sure you want to apply all changes to the playlist?"),
                                platform::Buttons::YesNo, platform::Icon::Question,
                                QStringLiteral("Apply changes?"), Answer::No) != Answer::Yes)
        return;
    QList<Song> songs;
    songs.reserve(m_new.count());
    for (int i = 0; i < m_new.count(); ++i)
        songs.append(Song{m_new.path(i), m_new.name(i)});
    m_main.clear();
    m_main.append(songs);
    finish();
}

void EditorWindow::Command7_Click() {
    finish();
}

void EditorWindow::finish() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    emit finished();
    if (m_mainWindow)
        m_mainWindow->show();
    close();
}

// The close box and the system menu cancel, so the main window never stays hidden.
void EditorWindow::closeEvent(QCloseEvent* e) {
    if (!m_unloaded) {
        m_unloaded = true;
        emit finished();
        if (m_mainWindow)
            m_mainWindow->show();
    }
    e->accept();
}

} // namespace player
