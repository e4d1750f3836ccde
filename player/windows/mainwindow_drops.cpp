// Drops on the main window: files, folders and playlists on the song list are added to it; a song on a deck's
// panel is loaded into that deck. Anything else is refused, so the pointer shows that it cannot go there.
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QListWidget>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include "addfolderwindow.h"
#include "console/songintake.h"
#include "mainlayout.h"
#include "mainwindow.h"

namespace player {

namespace {

QStringList localPaths(const QMimeData* mime) {
    QStringList paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl& url : mime->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

// A deck takes exactly one song file.
QString deckSong(const QMimeData* mime) {
    const QStringList paths = localPaths(mime);
    if (paths.size() != 1 || !SongIntake::isSongName(paths[0]) || !QFileInfo(paths[0]).isFile())
        return {};
    return paths[0];
}

class DropFilter : public QObject {
public:
    // `list` is the song list's viewport, where songs are dropped to be added.
    DropFilter(MainWindow* w, QWidget* list) : QObject(w), m_w(w), m_list(list) {}

    // The deck whose panel holds `pos` (window pixels), or -1.
    int deckAt(QPoint pos) const {
        for (int d = 0; d < 2; ++d) {
            const auto item = d == 0 ? mainlayout::Item::Deck0Panel : mainlayout::Item::Deck1Panel;
            if (platform::toPixels(mainlayout::rect(item), m_w->windowScale()).contains(pos))
                return d;
        }
        return -1;
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        const QEvent::Type t = event->type();
        if (t != QEvent::DragEnter && t != QEvent::DragMove && t != QEvent::Drop)
            return false;
        auto* e = static_cast<QDropEvent*>(event);
        if (watched == m_list)
            return onList(e);
        if (watched == m_w)
            return onWindow(e);
        return false;
    }

private:
    bool onList(QDropEvent* e) {
        const QStringList paths = localPaths(e->mimeData());
        if (paths.isEmpty() || !m_w->listCommandsEnabled()) {
            e->ignore();
            return true;
        }
        e->setDropAction(Qt::CopyAction);
        e->accept();
        // Added after the drop returns: the source is not kept waiting, and notices may be modal.
        if (e->type() == QEvent::Drop)
            QTimer::singleShot(0, m_w, [w = m_w, paths] { w->intake()->add(paths); });
        return true;
    }

    bool onWindow(QDropEvent* e) {
        // Entering anywhere is allowed so the moves that follow are seen; each move says yes or no.
        if (e->type() == QEvent::DragEnter) {
            if (localPaths(e->mimeData()).isEmpty())
                e->ignore();
            else
                e->acceptProposedAction();
            return true;
        }
        const int deck = deckAt(e->position().toPoint());
        const QString song = deck < 0 ? QString() : deckSong(e->mimeData());
        if (song.isEmpty()) {
            e->ignore();
            return true;
        }
        e->setDropAction(Qt::CopyAction);
        e->accept();
        if (e->type() == QEvent::Drop)
            QTimer::singleShot(
                0, m_w, [w = m_w, deck, song] { w->loadSong(deck, QFileInfo(song).fileName(), song); });
        return true;
    }

    MainWindow* m_w;
    QWidget* m_list;
};

} // namespace

void MainWindow::setupDrops() {
    m_dropFilter = new DropFilter(this, lstnames->viewport());
    setAcceptDrops(true);
    lstnames->setAcceptDrops(true);
    lstnames->viewport()->setAcceptDrops(true);
    lstnames->viewport()->installEventFilter(m_dropFilter);
    installEventFilter(m_dropFilter);
}

} // namespace player
