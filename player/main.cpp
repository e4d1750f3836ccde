#include <QApplication>
#include <QDir>
#include <QTextStream>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>

#include "console/soundchoice.h"
#include "core/random.h"
#include "desktop/commandline.h"
#include "desktop/instance.h"
#include "desktop/session.h"
#include "media/audioengine.h"
#include "program.h"

namespace {

// With DECKMORA_FIRST_PAINT_PROBE set, the program prints the wall-clock time (ns since the epoch) at which
// its first window finished painting and ends: the start-up figure's harness compares it with the moment it
// started us.
class FirstPaintProbe : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_seen && event->type() == QEvent::Paint && watched->isWidgetType() &&
            qobject_cast<QWidget*>(watched)->isWindow()) {
            m_seen = true;
            QTimer::singleShot(0, [] {
                const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                    std::chrono::system_clock::now().time_since_epoch())
                                    .count();
                std::printf("first-paint-ns %lld\n", static_cast<long long>(ns));
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};

} // namespace

int main(int argc, char** argv) {
    // The analysis runs without a window and without a sound device, so a terminal without a display or a
    // build machine can run it; its output is only the JSON lines.
    {
        QStringList args;
        for (int i = 0; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        if (player::desktop::wantsAnalysis(args)) {
            QCoreApplication core(argc, argv);
            QCoreApplication::setApplicationName(QStringLiteral("Deckmora"));
            QCoreApplication::setApplicationVersion(QStringLiteral(DECKMORA_VERSION));
            const player::desktop::CommandLine parsed =
                player::desktop::parseCommandLine(QCoreApplication::arguments(), QDir::currentPath());
            if (parsed.exit) {
                std::fputs(qPrintable(parsed.output), parsed.exitCode == 0 ? stdout : stderr);
                return parsed.exitCode;
            }
            if (parsed.paths.isEmpty()) {
                std::fputs("deckmora: --analyse needs at least one song file.\n", stderr);
                return 2;
            }
            QTextStream out(stdout);
            return player::desktop::analyseFiles(parsed.paths, out);
        }
    }
    // The sound options need no window (a terminal without a display lists the devices too).
    std::string deviceForThisRun;
    {
        QStringList args;
        for (int i = 1; i < argc; ++i)
            args << QString::fromLocal8Bit(argv[i]);
        if (args.contains(QStringLiteral("--list-devices")) || args.contains(QStringLiteral("--device"))) {
            QCoreApplication core(argc, argv);
            platform::media::EngineOptions options = player::engineOptions();
            QTextStream out(stdout), err(stderr);
            if (const auto status = player::soundchoice::applyArguments(
                    args, options, [] { return platform::media::AudioEngine::listDevices(); }, out, err))
                return *status;
            deviceForThisRun = options.device;
        }
    }
    QApplication app(argc, argv);
    player::Program::nameApplication();
    QApplication::setApplicationVersion(QStringLiteral(DECKMORA_VERSION));
    const player::desktop::CommandLine args =
        player::desktop::parseCommandLine(QApplication::arguments(), QDir::currentPath());
    if (args.exit) {
        std::fputs(qPrintable(args.output), args.exitCode == 0 ? stdout : stderr);
        return args.exitCode;
    }
    // A Deckmora that runs already takes the paths and comes to the front; this start has nothing more to do.
    // Of two starts at the same moment, the one that loses the name hands over to the other.
    player::desktop::InstanceServer instance;
    if (player::desktop::handOver(args.paths) ||
        (!instance.listen() && player::desktop::handOver(args.paths)))
        return 0;
    player::desktop::Session session(instance);
    session.open(args.paths);

    // The program ends only through the close question; hiding or minimising its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    FirstPaintProbe probe;
    if (qEnvironmentVariableIsSet("DECKMORA_FIRST_PAINT_PROBE"))
        app.installEventFilter(&probe);
    platform::rnd().seedFromEntropy();
    platform::media::EngineOptions options = player::engineOptions();
    if (!deviceForThisRun.empty())
        options.device = deviceForThisRun;
    platform::media::AudioEngine& engine = platform::media::AudioEngine::instance(options);
    engine.setCue(player::soundchoice::cueOptions(player::soundchoice::loadCue()));
    player::Program program(engine);
    program.setMainWindowShown([&session](player::MainWindow& w) { session.attach(w); });
    program.start();
    return app.exec();
}
