// A song file of arbitrary bytes opened through the engine: written to a file, opened by a deck on an offline
// engine, played for a few periods, moved and played again. Nothing may crash or hang, and what plays stays
// finite sound within the deck's level.
//
// With DECKMORA_FUZZ_WRITE_SEEDS=<folder> the program writes its seed songs there (a tiny WAV, a tiny CBR and
// VBR MP3, and one of every other format the decoders read: AIFF, FLAC, Ogg Vorbis, Opus, AAC in M4A and raw,
// ALAC, WMA) and exits: scripts/make-seeds.sh uses it so that the repository holds no binary samples.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "fuzzapp.h"
#include "media/audioengine.h"
#include "media/mediaplayer.h"
#include "songfiles.h"

using namespace platform::media;

namespace {

constexpr int kRate = 44100;
constexpr int kFrames = 512;

void writeSeeds(const QString& folder) {
    QDir().mkpath(folder);
    const auto song = songfiles::sine(kRate / 10, 2, kRate);
    bool ok = songfiles::write(folder + "/tiny.wav", songfiles::Kind::Wav16, kRate, 2, song) &&
              songfiles::write(folder + "/tiny-cbr.mp3", songfiles::Kind::Mp3Cbr, kRate, 2, song) &&
              songfiles::write(folder + "/tiny-vbr.mp3", songfiles::Kind::Mp3Vbr, kRate, 1,
                               songfiles::sine(kRate / 10, 1, kRate));
    using songfiles::Format;
    std::vector<int16_t> shorts;
    for (float v : song)
        shorts.push_back(int16_t(v * 32767));
    for (Format f : {Format::Aiff, Format::Flac, Format::OggVorbis, Format::Opus, Format::M4aAac,
                     Format::M4aAlac, Format::Adts, Format::Wma}) {
        // Opus takes 48 kHz; the same frames are then a little shorter.
        const int rate = f == Format::Opus ? 48000 : kRate;
        const QString name = QStringLiteral("/tiny-%1.%2").arg(int(f)).arg(songfiles::extension(f));
        ok = songfiles::write(folder + name, f, rate, 2, shorts) && ok;
    }
    std::exit(ok ? 0 : 1);
}

struct World {
    std::unique_ptr<AudioEngine> engine = AudioEngine::createOffline(kRate);
    QTemporaryDir dir;
    std::vector<float> out = std::vector<float>(2 * kFrames);
};
World* world = nullptr;

void render(int periods) {
    for (int i = 0; i < periods; ++i) {
        world->engine->render(world->out.data(), kFrames);
        for (float v : world->out)
            if (!std::isfinite(v) || std::fabs(v) > 4.0f)
                std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::startApplication();
    if (const char* seeds = std::getenv("DECKMORA_FUZZ_WRITE_SEEDS"))
        writeSeeds(QString::fromLocal8Bit(seeds));
    world = new World;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
    const QString path = world->dir.filePath(QStringLiteral("song"));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    // The last byte picks where to move to, as a share of the length; seeking past the end is allowed.
    const double share = size ? data[size - 1] / 200.0 : 0.5;
    {
        MediaPlayer deck(*world->engine, nullptr);
        const MediaError error = deck.open(path);
        if (error) {
            if (deck.hasMedia() || deck.length() != 0)
                std::abort();
        } else {
            const double length = deck.length();
            if (!std::isfinite(length) || length < 0)
                std::abort();
            deck.play();
            render(4);
            deck.setPosition(length * share);
            render(4);
            deck.pause();
            deck.setPosition(0);
            deck.play();
            render(2);
            deck.stop();
        }
        QCoreApplication::processEvents();
    }
    render(1);
    return 0;
}
