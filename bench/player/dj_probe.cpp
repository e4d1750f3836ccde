// The main window, shown, with both decks playing a song each (over and over), or with nothing loaded;
// --play writes two 3-minute songs to play, --dj opens the DJ view first, --tempo R plays both at R times
// their speed, --keylock light|fine keeps their pitch with that stretcher. The engine runs as the program's
// does (48 kHz, the same period) on the null output. It prints "ready" once the songs play (and, with the
// view open, once they are analysed), so a script can measure its processor time:
//   build/bin/player_dj_probe [--dj] [--tempo R] [--keylock light|fine] [--play | song0 song1]
// (bench/player/dj_cpu.sh and keylock_cpu.sh run it)
#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

#include "analysis/waveform.h"
#include "media/audioengine.h"
#include "media/audiooutput.h"
#include "media/mediaplayer.h"
#include "songfiles.h"
#include "windows/djview.h"
#include "windows/mainwindow.h"

using namespace player;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QStringList args = app.arguments().mid(1);
    const bool dj = args.removeAll(QStringLiteral("--dj")) > 0;
    // "--name value" taken out of the arguments; `otherwise` when absent.
    auto option = [&args](const char* name, const QString& otherwise) {
        const qsizetype at = args.indexOf(QLatin1String(name));
        if (at < 0 || at + 1 >= args.size())
            return otherwise;
        const QString value = args.at(at + 1);
        args.remove(at, 2);
        return value;
    };
    const double tempo = option("--tempo", QStringLiteral("1")).toDouble();
    const QString keyLock = option("--keylock", QString());
    QTemporaryDir songs;
    if (args.removeAll(QStringLiteral("--play")) > 0) {
        for (int d = 0; d < 2; ++d) {
            args << songs.filePath(QStringLiteral("song%1.wav").arg(d));
            if (!writeSong(args.back(), 180, 44100, 220 + 110 * d))
                return 1;
        }
    }
    const auto engine = platform::media::AudioEngine::createWithOutput(
        48000, 512, [](auto&) -> std::unique_ptr<platform::media::AudioOutput> { return nullptr; });
    MainWindow w(*engine);
    // After the window, which applies the stored choice.
    if (keyLock == QLatin1String("fine"))
        engine->setKeyLockEngine(platform::media::AudioEngine::KeyLockEngine::Fine);
    w.setQuitAction([] {});
    if (dj != w.djViewOpen())
        w.DJ_Click();
    w.show();
    for (int d = 0; d < 2 && d < args.size(); ++d) {
        w.loadSong(d, QStringLiteral("song %1").arg(d + 1), args[d]);
        w.console().setTempo(d, tempo > 0 ? tempo : 1.0);
        w.console().setKeyLock(d, !keyLock.isEmpty());
        w.Play_Click(d);
        QObject::connect(&w.deckPlayer(d), &platform::media::MediaPlayer::ended, &w,
                         [&w, d] { w.Play_Click(d); });
        if (w.deckPlayer(d).state() != platform::media::PlayState::Playing) {
            std::fprintf(stderr, "player_dj_probe: %s does not play\n", qPrintable(args[d]));
            return 1;
        }
        while (dj && !w.djView()->waveform(d)->complete())
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
