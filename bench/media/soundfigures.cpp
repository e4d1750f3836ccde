// Figures of the sound-server output, each beside its baseline from the same run: play to first audible
// sample (recorded from a private PulseAudio server's null sink, and a private PipeWire server's), two decks
// under a two-core load, resident memory against the null output, and the program's first paint and idle CPU
// against the null output.
// Usage: sound_figures [seconds of the load run, default 60] [--start: the first figure only]
#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <sndfile.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "media/audioengine.h"
#include "media/audiooutput.h"
#include "media/deck.h"
#include "media/devicekeeper.h"
#include "media/mediaplayer.h"
#include "media/mixer.h"
#include "soundserver.h"
#include "waitfor.h"

using namespace platform::media;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kRate = 44100;

void writeNoise(const QString& path, double seconds, uint32_t seed) {
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.toLocal8Bit().constData(), SFM_WRITE, &info);
    std::vector<float> block(2 * 4096);
    float y = 0;
    for (sf_count_t done = 0, total = sf_count_t(seconds * kRate); done < total; done += 4096) {
        for (size_t i = 0; i < 4096; ++i) {
            seed = seed * 1664525u + 1013904223u;
            y += 0.2f * (float(seed >> 8) / float(1u << 24) - 0.5f - y);
            block[2 * i] = block[2 * i + 1] = 1.5f * y;
        }
        sf_writef_float(f, block.data(), std::min<sf_count_t>(4096, total - done));
    }
    sf_close(f);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The program's own resident memory: what the sound server shares with it (its memory pool) left out.
double ownResidentMiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    double rss = 0, shmem = 0;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            rss = line.mid(6).trimmed().split(' ')[0].toDouble();
        if (line.startsWith("RssShmem:"))
            shmem = line.mid(9).trimmed().split(' ')[0].toDouble();
    }
    return (rss - shmem) / 1024.0;
}

// Child mode: two songs playing on the given output for 3 s; prints the resident figure.
int residentChild(bool server, const QString& a, const QString& b) {
    std::unique_ptr<AudioEngine> engine =
        server ? AudioEngine::create({}) : AudioEngine::createWithOutput(48000, 512, nullptr);
    engine->waitUntilSettled(8000);
    MediaPlayer x(*engine, nullptr), y(*engine, nullptr);
    x.open(a), y.open(b);
    x.play(), y.play();
    std::this_thread::sleep_for(std::chrono::seconds(3));
    std::printf("%.1f %d\n", ownResidentMiB(), engine->output() == AudioEngine::Output::Device);
    return 0;
}

double runChildFigure(const QStringList& args, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(), args);
    p.waitForFinished(60000);
    return QString::fromLatin1(p.readAllStandardOutput()).split(' ').value(0).toDouble();
}

// Milliseconds from starting the program to its first painted window.
double firstPaintMs(const QProcessEnvironment& base) {
    QProcessEnvironment env = base;
    env.insert(QStringLiteral("DECKMORA_FIRST_PAINT_PROBE"), QStringLiteral("1"));
    QProcess p;
    p.setProcessEnvironment(env);
    const auto startedNs = std::chrono::duration_cast<std::chrono::nanoseconds>(
                               std::chrono::system_clock::now().time_since_epoch())
                               .count();
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/deckmora"), {});
    p.waitForFinished(30000);
    const QByteArray out = p.readAllStandardOutput();
    const qsizetype at = out.indexOf("first-paint-ns ");
    if (at < 0)
        return -1;
    return double(out.mid(at + 15).trimmed().toLongLong() - startedNs) / 1e6;
}

// Per cent of one core the idle program uses over `seconds`, after it settled.
double idleCpuPercent(const QProcessEnvironment& env, int seconds) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationDirPath() + QStringLiteral("/deckmora"), {});
    p.waitForStarted();
    const auto ticks = [&] {
        QFile f(QStringLiteral("/proc/%1/stat").arg(p.processId()));
        f.open(QIODevice::ReadOnly);
        const QList<QByteArray> fields = f.readAll().split(')').value(1).trimmed().split(' ');
        return fields.value(11).toLongLong() + fields.value(12).toLongLong(); // utime, stime
    };
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const long long before = ticks();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const long long after = ticks();
    p.kill();
    p.waitForFinished();
    return 100.0 * double(after - before) / double(sysconf(_SC_CLK_TCK)) / seconds;
}

// The first frame from `from` on of `rec` that is heard, in milliseconds after `from`; -1 when none is.
double firstAudibleMs(const MonitorRecorder& rec, size_t from) {
    rec.waitForFrames(from + kRate / 2, 3000);
    const std::vector<float> s = rec.snapshot();
    size_t at = from;
    while (2 * at < s.size() && std::fabs(s[2 * at]) < 0.01f)
        ++at;
    return 2 * at < s.size() ? 1000.0 * double(at - from) / kRate : -1;
}

// Play to first audible sample through `server`: the first play after the engine started (a fresh stream, as
// at the program's first play), then plays from a resting device (as after a pause), eleven of them.
void playToSound(const PrivateSoundServer& server, const char* name, const QString& song) {
    MonitorRecorder rec(server, kRate);
    rec.waitForFrames(kRate / 10, 5000);
    auto engine = AudioEngine::create({});
    engine->waitUntilSettled(8000);
    MediaPlayer x(*engine, nullptr);
    x.open(song);
    const auto first = Clock::now();
    x.play();
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    x.stop();
    const double fresh = firstAudibleMs(rec, rec.frameAt(first));
    std::vector<double> delays;
    for (int i = 0; i < 11; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // the device rests meanwhile
        const auto t = Clock::now();
        x.play();
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        x.stop();
        delays.push_back(firstAudibleMs(rec, rec.frameAt(t)));
    }
    const double asked = 40;
    std::printf(
        "%s: play to first audible sample: first play %.1f ms; from rest median %.1f ms (%.2f x the 40 ms "
        "latency asked), worst %.1f ms\n",
        name, fresh, median(delays), median(delays) / asked, *std::max_element(delays.begin(), delays.end()));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QStringLiteral("--resident"))
        return residentChild(args.value(2) == QStringLiteral("server"), args.value(3), args.value(4));
    const int loadSeconds = args.size() > 1 ? std::max(5, args[1].toInt()) : 60;

    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.wav")), b = dir.filePath(QStringLiteral("b.wav"));
    writeNoise(a, loadSeconds + 10, 1), writeNoise(b, loadSeconds + 10, 2);
    PrivateSoundServer server(PrivateSoundServer::Kind::PulseAudio, true);
    if (!server.failure().isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(server.failure()));
        return 1;
    }

    // 1. Play to first audible sample on both servers.
    playToSound(server, "PulseAudio", a);
    {
        PrivateSoundServer pipewire(PrivateSoundServer::Kind::PipeWire, true);
        if (pipewire.failure().isEmpty())
            playToSound(pipewire, "PipeWire", a);
        else
            std::printf("PipeWire: no figure (%s)\n", qPrintable(pipewire.failure().left(200)));
    }
    // The PulseAudio server's address again (the PipeWire server took it away), for what follows.
    qputenv("PULSE_SERVER", server.address().toLocal8Bit());
    if (args.contains(QStringLiteral("--start")))
        return 0;

    // 2. Two decks for `loadSeconds` while two busy processes keep both cores loaded.
    {
        std::vector<pid_t> load;
        for (int i = 0; i < 2; ++i)
            if (const pid_t pid = fork(); pid == 0) {
                for (unsigned long n = 0;; ++n)
                    asm volatile("" : "+r"(n));
            } else {
                load.push_back(pid);
            }
        MonitorRecorder rec(server, kRate);
        rec.waitForFrames(kRate / 10, 5000);
        auto engine = AudioEngine::create({});
        engine->waitUntilSettled(8000);
        MediaPlayer x(*engine, nullptr), y(*engine, nullptr);
        x.open(a), y.open(b);
        const auto t = Clock::now();
        x.play(), y.play();
        waitFor([&] { return x.position() >= loadSeconds; }, std::chrono::seconds(loadSeconds + 20));
        const size_t from = rec.frameAt(t);
        uint64_t underflows = 0, deckUnderflows = 0;
        for (auto& slot : engine->mixer().decks)
            if (Deck* d = slot.load())
                deckUnderflows += d->underflows();
        underflows = engine->keeper().deviceUnderflows();
        x.stop(), y.stop();
        for (pid_t pid : load)
            kill(pid, SIGKILL), waitpid(pid, nullptr, 0);
        const std::vector<float> s = rec.finish();
        size_t onset = from;
        while (2 * onset < s.size() && std::fabs(s[2 * onset]) < 0.01f)
            ++onset;
        size_t run = 0, gaps = 0;
        const size_t end = std::min(s.size() / 2, onset + size_t(loadSeconds - 1) * kRate);
        for (size_t i = onset; i < end; ++i) {
            run = std::fabs(s[2 * i]) < 1e-3f ? run + 1 : 0;
            gaps += run == size_t(kRate / 200); // 5 ms of silence counts once
        }
        std::printf("%d s of two decks under a two-core load: %llu underruns reported by the server, %llu "
                    "periods the "
                    "decks' decoders were late for, %zu silence gaps (>= 5 ms) in %.1f s recorded\n",
                    loadSeconds, static_cast<unsigned long long>(underflows),
                    static_cast<unsigned long long>(deckUnderflows), gaps, double(end - onset) / kRate);
    }

    // 3. Resident memory with two songs playing: through the server against the null output.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PULSE_SERVER"), server.address());
    QProcessEnvironment noServer = QProcessEnvironment::systemEnvironment();
    noServer.insert(QStringLiteral("PULSE_SERVER"), QStringLiteral("unix:/nonexistent"));
    const double rssServer =
        runChildFigure({QStringLiteral("--resident"), QStringLiteral("server"), a, b}, env);
    const double rssNull =
        runChildFigure({QStringLiteral("--resident"), QStringLiteral("null"), a, b}, noServer);
    std::printf(
        "resident memory, two songs playing (server's shared pool left out): %.1f MiB through the server, "
        "%.1f MiB on the null output (%.2f x, +%.1f MiB)\n",
        rssServer, rssNull, rssServer / rssNull, rssServer - rssNull);

    // 4. First paint and idle CPU of the program, with the server against without one (null output).
    std::vector<double> paintServer, paintNull;
    for (int i = 0; i < 5; ++i) {
        paintServer.push_back(firstPaintMs(env));
        paintNull.push_back(firstPaintMs(noServer));
    }
    std::printf("first paint: %.0f ms with the server, %.0f ms on the null output (%.2f x)\n",
                median(paintServer), median(paintNull), median(paintServer) / median(paintNull));
    const double cpuServer = idleCpuPercent(env, 10), cpuNull = idleCpuPercent(noServer, 10);
    std::printf("idle CPU: %.2f %% of a core with the server, %.2f %% on the null output (%+.2f points)\n",
                cpuServer, cpuNull, cpuServer - cpuNull);
    return 0;
}
