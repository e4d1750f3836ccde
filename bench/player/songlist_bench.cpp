// Song list figures, each reported as a ratio against a baseline timed in the same iteration:
//  - saving and opening a full playlist (32,767 entries) against writing and reading the same bytes with
//  plain
//    std::ofstream / std::ifstream;
//  - adding a folder of 10,000 songs, with how often the window got to repaint meanwhile;
//  - opening and saving the full list as M3U8, PLS and XSPF against the same list as .mdp.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <chrono>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include <QLabel>
#include <QMetaObject>
#include <thread>

#include "console/songlist.h"
#include "console/songlistcommands.h"
#include "console/songsearch.h"
#include "playlists/playlistfile.h"
#include "playlists/playlistformats.h"
#include "windows/addfolderwindow.h"
#include "windows/editorwindow.h"

using namespace player;

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
    double ours = 0, reading = 0, plain = 0;
    for (auto _ : state) {
        auto t = Clock::now();
        const PlaylistFile::ReadResult r = PlaylistFile::read(path);
        reading += msSince(t);
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
    state.counters["read_ms"] = reading / state.iterations();
    state.counters["ifstream_ms"] = plain / state.iterations();
    state.counters["ratio"] = ours / plain;
    state.counters["read_ratio"] = reading / plain;
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
    AddFolderWindow window(list);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.Dir1->setPath(dir.path());
    // A zero timer fires once per pass of the event loop, that is whenever the window could repaint: the
    // longest stretch between two of them (or from the start or to the end) is the longest the window stayed
    // frozen.
    Clock::time_point last;
    double longest = 0;
    QTimer tick;
    tick.setInterval(0);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, msSince(last));
        last = Clock::now();
    });
    double total = 0;
    for (auto _ : state) {
        list.clear();
        window.show();
        tick.start();
        const auto t = Clock::now();
        last = t;
        window.lblAdd_Click();
        total += msSince(t);
        longest = std::max(longest, msSince(last));
        tick.stop();
    }
    state.counters["ms"] = total / state.iterations();
    state.counters["longest_freeze_ms"] = longest;
    state.counters["entries"] = list.count();
}

QStringList fortyCharNames(int length = 40) {
    QStringList names;
    for (int i = 0; i < SongList::kMaxEntries; ++i) {
        QString n = QStringLiteral("%1 some artist - some title ").arg(i, 5, 10, QLatin1Char('0'));
        while (n.size() < length)
            n += QLatin1Char('a' + n.size() % 26);
        names << n.left(length);
    }
    return names;
}

// A search that finds nothing walks the list twice; the baseline is the bare matching loop over the same
// names.
void BM_SearchNoMatch(benchmark::State& state) {
    const QStringList all = fortyCharNames();
    QListWidget names, files;
    SongList::setUpControls(&names, &files);
    names.addItems(all);
    QLabel label;
    const QString text = QStringLiteral("no such song");
    double ours = 0, bare = 0;
    for (auto _ : state) {
        names.setCurrentRow(0);
        label.setText(QStringLiteral("Cancel search"));
        SongSearch search(
            &names, {[&] { return label.text().isEmpty(); }, [] { QCoreApplication::processEvents(); }});
        auto t = Clock::now();
        benchmark::DoNotOptimize(search.run(text));
        ours += msSince(t);

        t = Clock::now();
        int hits = 0;
        for (int pass = 0; pass < 2; ++pass)
            for (const QString& n : all)
                hits += nameMatches(n, text);
        benchmark::DoNotOptimize(hits);
        bare += msSince(t);
    }
    state.counters["ms"] = ours / state.iterations();
    state.counters["bare_ms"] = bare / state.iterations();
    state.counters["ratio"] = ours / bare;
}

// A cancel click arrives from outside while the search runs: how long until the search has stopped.
void BM_SearchCancel(benchmark::State& state) {
    QListWidget names, files;
    SongList::setUpControls(&names, &files);
    names.addItems(fortyCharNames(2000)); // long names, so the search is still running when the click comes
    QLabel label;
    double worst = 0, total = 0;
    for (auto _ : state) {
        names.setCurrentRow(0);
        label.setText(QStringLiteral("Cancel search"));
        Clock::time_point clicked;
        std::thread user([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            clicked = Clock::now();
            QMetaObject::invokeMethod(
                &label, [&] { label.setText(QString()); }, Qt::QueuedConnection);
        });
        SongSearch search(
            &names, {[&] { return label.text().isEmpty(); }, [] { QCoreApplication::processEvents(); }});
        const SongSearch::Result r = search.run(QStringLiteral("no such song"));
        const auto stopped = Clock::now();
        user.join();
        if (r != SongSearch::Result::Cancelled) {
            state.SkipWithError("the search ended before the click");
            break;
        }
        const double ms = std::chrono::duration<double, std::milli>(stopped - clicked).count();
        worst = std::max(worst, ms);
        total += ms;
    }
    state.counters["latency_ms"] = total / state.iterations();
    state.counters["worst_ms"] = worst;
}

// Opening the editor on a full list: read the main list, build the window, fill its three lists, show it.
void BM_OpenEditor(benchmark::State& state) {
    QListWidget names, files;
    SongList list(&names, &files);
    SongList::setUpControls(&names, &files);
    list.append(fullList());
    QWidget mainWindow;
    double total = 0;
    for (auto _ : state) {
        const auto t = Clock::now();
        auto* editor = new EditorWindow(list, &mainWindow);
        editor->load(list.visitAll());
        editor->show();
        QCoreApplication::processEvents();
        total += msSince(t);
        delete editor;
    }
    state.counters["ms"] = total / state.iterations();
}

// The calling thread's CPU time: the other work on a shared machine counts on neither side of a ratio.
double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// The full list with its songs in the playlist's own folder, so the formats store relative paths.
QList<Song> fullListIn(const QString& folder) {
    QList<Song> songs = fullList();
    for (Song& s : songs)
        s.path.replace(QStringLiteral("/home/user/Music"), folder);
    return songs;
}

const PlaylistFormat& benchFormat(benchmark::State& state) {
    return playlistformats::format(static_cast<playlistformats::Id>(state.range(0)));
}

// Opening through the command every playlist goes through, against the same list as .mdp.
void BM_OpenFormat(benchmark::State& state) {
    const PlaylistFormat& format = benchFormat(state);
    QTemporaryDir dir;
    const QList<Song> songs = fullListIn(dir.path());
    const QString own = dir.filePath("full.mdp");
    const QString other = dir.filePath("full." + format.extension());
    PlaylistFile::write(own, songs, PlaylistFile::Mode::Create);
    playlistformats::write(other, format, songs);
    QListWidget names, files;
    SongList list(&names, &files);
    SongList::setUpControls(&names, &files);
    double ours = 0, mdp = 0;
    for (auto _ : state) {
        double t = threadCpuMs();
        songlistcommands::loadPlaylist(list, other, true);
        ours += threadCpuMs() - t;
        if (list.count() != songs.size())
            state.SkipWithError("the list did not read whole");

        t = threadCpuMs();
        songlistcommands::loadPlaylist(list, own, true);
        mdp += threadCpuMs() - t;
    }
    state.counters["ms"] = ours / state.iterations();
    state.counters["mdp_ms"] = mdp / state.iterations();
    state.counters["ratio"] = ours / mdp;
}

void BM_SaveFormat(benchmark::State& state) {
    const PlaylistFormat& format = benchFormat(state);
    QTemporaryDir dir;
    const QList<Song> songs = fullListIn(dir.path());
    const QString own = dir.filePath("full.mdp");
    const QString other = dir.filePath("full." + format.extension());
    double ours = 0, mdp = 0;
    for (auto _ : state) {
        double t = threadCpuMs();
        benchmark::DoNotOptimize(playlistformats::write(other, format, songs).ok);
        ours += threadCpuMs() - t;

        t = threadCpuMs();
        benchmark::DoNotOptimize(PlaylistFile::write(own, songs, PlaylistFile::Mode::Create).ok);
        mdp += threadCpuMs() - t;
    }
    state.counters["ms"] = ours / state.iterations();
    state.counters["mdp_ms"] = mdp / state.iterations();
    state.counters["ratio"] = ours / mdp;
}

// The formats the save dialog offers besides .mdp, each measured against .mdp in the same run.
void everyFormatSaved(benchmark::internal::Benchmark* b) {
    b->ArgName("format");
    for (const playlistformats::Id id :
         {playlistformats::Id::M3u8, playlistformats::Id::Pls, playlistformats::Id::Xspf})
        b->Arg(static_cast<int>(id));
    b->Unit(benchmark::kMillisecond)->Iterations(5);
}

} // namespace

BENCHMARK(BM_OpenFormat)->Apply(everyFormatSaved);
BENCHMARK(BM_SaveFormat)->Apply(everyFormatSaved);
BENCHMARK(BM_SearchNoMatch)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SearchCancel)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_OpenEditor)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SavePlaylist)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenPlaylist)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_AddFolder)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);
