// Shows the main window as a user sees it and saves a picture of it:
//   deckmora-screenshot <out.png> [--play <seconds> | --splash | --about] [--dj | --sketch]
// With --play it writes two songs, loads them into the decks, plays both through the engine's mix for the
// given seconds and takes the picture mid-play. --dj opens the DJ view; --sketch opens it with the places
// kept for the controls to come outlined.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <sndfile.h>
#include <vector>

#include "console/console.h"
#include "core/random.h"
#include "media/audioengine.h"
#include "program.h"
#include "ui/slider.h"
#include "windows/aboutwindow.h"
#include "windows/djview.h"
#include "windows/mainwindow.h"

using namespace player;

namespace {

// A song of `seconds`: a soft chord with a beat, so the mix sounds like something if anyone listens.
bool writeSong(const QString& path, double seconds, double root) {
    const int rate = 44100;
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    const auto frames = static_cast<sf_count_t>(seconds * rate);
    std::vector<float> buf(2 * 4096);
    for (sf_count_t done = 0; done < frames;) {
        const sf_count_t n = std::min<sf_count_t>(4096, frames - done);
        for (sf_count_t i = 0; i < n; ++i) {
            const double t = static_cast<double>(done + i) / rate;
            const double beat = std::exp(-8 * std::fmod(t, 0.5));
            const double v = 0.12 * (std::sin(2 * M_PI * root * t) + std::sin(2 * M_PI * root * 1.25 * t)) +
                             0.2 * beat * std::sin(2 * M_PI * 55 * t);
            buf[2 * i] = buf[2 * i + 1] = static_cast<float>(v);
        }
        sf_writef_float(f, buf.data(), n);
        done += n;
    }
    sf_close(f);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The view's switches come last and stand on their own.
    bool dj = false, sketch = false;
    while (argc > 2 && (QString::fromLocal8Bit(argv[argc - 1]) == QStringLiteral("--dj") ||
                        QString::fromLocal8Bit(argv[argc - 1]) == QStringLiteral("--sketch"))) {
        (QString::fromLocal8Bit(argv[argc - 1]) == QStringLiteral("--dj") ? dj : sketch) = true;
        --argc;
    }
    const QString mode = argc >= 3 ? QString::fromLocal8Bit(argv[2]) : QString();
    const bool play = argc == 4 && mode == QStringLiteral("--play");
    const bool aboutWindow =
        argc == 3 && (mode == QStringLiteral("--splash") || mode == QStringLiteral("--about"));
    if (argc != 2 && !play && !aboutWindow) {
        std::fprintf(stderr, "usage: %s out.png [--play seconds | --splash | --about] [--dj | --sketch]\n",
                     argv[0]);
        return 2;
    }
    if (aboutWindow) {
        AboutWindow about({});
        about.Timer2->stop();
        about.show();
        for (int i = 0; i < (mode == QStringLiteral("--about") ? 101 : 40); ++i)
            about.Timer1_Timer();
        about.show();
        QApplication::processEvents();
        const bool ok = about.grab().save(QString::fromLocal8Bit(argv[1]));
        return ok ? 0 : 1;
    }
    platform::rnd().seed(1);
    MainWindow w(platform::media::AudioEngine::instance(engineOptions()));
    auto& ui = w.elementsForTest();
    w.setQuitAction([] {});
    if ((dj || sketch) != w.djViewOpen())
        w.DJ_Click();
    if (sketch)
        w.djView()->setSketch(true);
    w.show();
    QTemporaryDir songs;
    if (play) {
        const QStringList names = {QStringLiteral("Sunrise Groove.wav"), QStringLiteral("Night Drive.wav"),
                                   QStringLiteral("Harbour Lights.wav"), QStringLiteral("Low Tide.wav")};
        for (int i = 0; i < names.size(); ++i) {
            const QString path = songs.filePath(names[i]);
            if (!writeSong(path, 40 + 10 * i, 220 * std::pow(2.0, i / 12.0))) {
                std::fprintf(stderr, "could not write %s\n", qPrintable(path));
                return 1;
            }
            ui.lstnames->addItem(names[i]);
            ui.lstFiles->addItem(path);
        }
        for (int d = 0; d < 2; ++d) {
            ui.lstnames->setCurrentRow(d);
            w.LoadToPlayer_Click(d);
            w.Play_Click(d);
        }
        w.Cue_Click(1); // the next song in the headphones
        // A blend under way: deck 1 lifted a little, deck 2's bass killed and a filter opening on it.
        using Band = player::Console::Band;
        w.console().setGain(0, 2.5);
        w.console().setBand(0, Band::High, 0.4);
        w.console().setBand(1, Band::Mid, -0.3);
        w.console().setKill(1, Band::Low, true);
        w.console().setFilter(1, 0.35);
        ui.volMain->setValue(35);
        w.volMain_Change();
        ui.chbgoon->setChecked(true);
    }
    const int waitMs = play ? static_cast<int>(QString::fromLocal8Bit(argv[3]).toDouble() * 1000) : 300;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < waitMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    const bool ok = w.grab().save(QString::fromLocal8Bit(argv[1]));
    std::fprintf(stderr, "%s %s\n", ok ? "saved" : "could not save", argv[1]);
    return ok ? 0 : 1;
}
