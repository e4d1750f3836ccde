// Shows the main window as a user sees it and saves a picture of it:
//   deckmora-screenshot <out.png> [song-for-deck-1 song-for-deck-2 seconds]
// With two songs it loads them into the decks, plays both through the engine for the given seconds and takes
// the picture mid-play.
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QListWidget>
#include <QTimer>
#include <cstdio>

#include "core/random.h"
#include "frmmain.h"
#include "media/audioengine.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2 && argc != 5) {
        std::fprintf(stderr, "usage: %s out.png [song1 song2 seconds]\n", argv[0]);
        return 2;
    }
    platform::rnd().seed(1);
    frmMain w(platform::media::AudioEngine::instance());
    w.setQuitAction([] {});
    w.show();
    if (argc == 5) {
        for (int d = 0; d < 2; ++d) {
            const QString path = QString::fromLocal8Bit(argv[2 + d]);
            w.lstnames->addItem(QFileInfo(path).fileName());
            w.lstFiles->addItem(path);
        }
        for (int d = 0; d < 2; ++d) {
            w.lstnames->setCurrentRow(d);
            w.LoadToPlayer_Click(d);
            w.Play_Click(d);
        }
    }
    const int playMs = argc == 5 ? static_cast<int>(QString::fromLocal8Bit(argv[4]).toDouble() * 1000) : 300;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < playMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    const bool ok = w.grab().save(QString::fromLocal8Bit(argv[1]));
    std::fprintf(stderr, "%s %s\n", ok ? "saved" : "could not save", argv[1]);
    return ok ? 0 : 1;
}
