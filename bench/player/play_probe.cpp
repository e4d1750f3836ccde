// The main window, shown, with one song playing in deck 0 (over and over), or with nothing loaded when no
// song is given. Its engine runs as the program's does (48 kHz, the same period) on the null output, and
// never looks for a device: on a machine without sound the program's own engine would probe every card every
// few seconds while a song plays, which measures the machine's missing sound card rather than the player. It
// prints "ready" once the song plays, so a script can measure its processor time against another player's.
// --cover shows instead a plain window as large as the screen, to lie over another probe's:
//   build/bin/player_play_probe [song]      (bench/player/play_cpu.sh and hidden_cpu.sh run it)
//   build/bin/player_play_probe --cover
#include <QApplication>
#include <QListWidget>
#include <QScreen>
#include <cstdio>

#include "media/audioengine.h"
#include "media/audiooutput.h"
#include "media/devicekeeper.h"
#include "media/mediaplayer.h"
#include "media/mixer.h"
#include "windows/mainwindow.h"

using namespace player;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc > 1 && qstrcmp(argv[1], "--cover") == 0) {
        QWidget cover;
        cover.setGeometry(QApplication::primaryScreen()->geometry());
        cover.show();
        std::printf("ready\n");
        std::fflush(stdout);
        return app.exec();
    }
    const auto engine = platform::media::AudioEngine::createWithOutput(
        48000, 512, [](auto&) -> std::unique_ptr<platform::media::AudioOutput> { return nullptr; });
    MainWindow w(*engine);
    auto& ui = w.elementsForTest();
    w.setQuitAction([] {});
    w.show();
    if (argc > 1) {
        const QString song = QString::fromLocal8Bit(argv[1]);
        ui.lstnames->addItem(song);
        ui.lstFiles->addItem(song);
        ui.lstnames->setCurrentRow(0);
        w.LoadToPlayer_Click(0);
        w.Play_Click(0);
        QObject::connect(ui.MP[0], &platform::media::MediaPlayer::ended, &w, [&w] { w.Play_Click(0); });
        if (ui.MP[0]->state() != platform::media::PlayState::Playing) {
            std::fprintf(stderr, "player_play_probe: %s does not play\n", argv[1]);
            return 1;
        }
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
