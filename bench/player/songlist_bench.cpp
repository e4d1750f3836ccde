// Song list figures, each reported as a ratio against a baseline timed in the same iteration:
//  - saving and opening a full playlist (32,767 entries) against writing and reading the same bytes with
//  plain
//    std::ofstream / std::ifstream;
//  - adding a folder of 10,000 songs, with how often the window got to repaint meanwhile.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
#include <fstream>
#include <string>
#include <vector>

#include "frmadddir.h"
#include "playlistfile.h"
#include "songlist.h"

namespace {

using Clock = std::chrono::steady_clock;
double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

QList<Song> fullList() {
    QList<Song> songs;
    for (int i = 0; i < SongList::kMaxEntries; ++i)
        songs.append(
            {QStringLiteral("/home/user/Music/Some Artist/Some Album/%1 - a song title.mp3").arg(i, 5),
             QStringLiteral("%1 - a song title of forty chars.mp3").arg(i, 5)});
    return songs;
}

void BM_SavePlaylist(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("full.mdp");
    const std::string plainPath = dir.filePath("plain.mdp").toStdString();
    QListWidget names, files;
    SongList list(&names, &files);
    SongList::setUpControls(&names, &files);
    list.append(fullList());
    // The baseline writes the very bytes of the file, ready made.
    std::vector<std::string> lines;
    for (int i = 0; i < list.count(); ++i) {
        lines.push_back(list.path(i).toStdString());
        lines.push_back(list.name(i).toStdString());
    }
    double ours = 0, plain = 0;
    for (auto _ : state) {
        auto t = Clock::now();
        const bool ok = PlaylistFile::write(path, list.visitAll(), PlaylistFile::Mode::Create).ok;
        ours += msSince(t);
        benchmark::DoNotOptimize(ok);

        t = Clock::now();
        {
            std::ofstream out(plainPath, std::ios::binary | std::ios::trunc);
            out << "-<>Playlist<>-\r\n";
            for (const std::string& line : lines)
                out << line << "\r\n";
        }
        plain += msSince(t);
    }
    state.counters["ms"] = ours / state.iterations();
    state.counters["ofstream_ms"] = plain / state.iterations();
    state.counters["ratio"] = ours / plain;
}

void BM_OpenPlaylist(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("full.mdp");
    PlaylistFile::write(path, fullList(), PlaylistFile::Mode::Create);
    QListWidget names, files;
    SongList list(&names, &files);
    SongList::setUpControls(&names, &files);
    double ours = 0, plain = 0;
    for (auto _ : state) {
        auto t = Clock::now();
        const PlaylistFile::ReadResult r = PlaylistFile::read(path);
        list.clear();
        list.append(r.songs);
        ours += msSince(t);

        t = Clock::now();
        {
            std::ifstream in(path.toStdString(), std::ios::binary);
            std::vector<std::string> lines;
            std::string line;
            while (std::getline(in, line))
                lines.push_back(line);
            benchmark::DoNotOptimize(lines.data());
        }
        plain += msSince(t);
    }
    state.counters["ms"] = ours / state.iterations();
    state.counters["ifstream_ms"] = plain / state.iterations();
    state.counters["ratio"] = ours / plain;
}

void BM_AddFolder(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    for (int i = 0; i < n; ++i) {
        QFile f(dir.filePath(QStringLiteral("song %1.mp3").arg(i, 5, 10, QLatin1Char('0'))));
        f.open(QIODevice::WriteOnly);
    }
    QListWidget names, files;
    SongList list(&names, &files);
    SongList::setUpControls(&names, &files);
    FrmAddDir window(list);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.Dir1->setPath(dir.path());
    // A zero timer fires once per pass of the event loop: it counts how often the window could repaint.
    int yields = 0;
    QTimer tick;
    tick.setInterval(0);
    QObject::connect(&tick, &QTimer::timeout, [&] { ++yields; });
    double total = 0;
    for (auto _ : state) {
        list.clear();
        window.show();
        tick.start();
        const auto t = Clock::now();
        window.lblAdd_Click();
        total += msSince(t);
        tick.stop();
    }
    state.counters["ms"] = total / state.iterations();
    state.counters["repaints_per_s"] = yields / (total / 1000.0);
    state.counters["entries"] = list.count();
}

} // namespace

BENCHMARK(BM_SavePlaylist)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenPlaylist)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_AddFolder)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
