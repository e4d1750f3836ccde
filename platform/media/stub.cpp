// A stand-in until the engine lands: it keeps the player's state and times nothing.
#include <QFileInfo>

#include "media/audioengine.h"
#include "media/mediaplayer.h"

namespace platform::media {

struct AudioEngine::Impl {
    Output output = Output::Null;
    int rate = 44100;
};

AudioEngine::AudioEngine() : d(std::make_unique<Impl>()) {}
AudioEngine::~AudioEngine() = default;
AudioEngine& AudioEngine::instance() {
    static AudioEngine e;
    return e;
}
std::unique_ptr<AudioEngine> AudioEngine::createOffline(int rate) {
    std::unique_ptr<AudioEngine> e(new AudioEngine);
    e->d->output = Output::Offline;
    e->d->rate = rate;
    return e;
}
AudioEngine::Output AudioEngine::output() const { return d->output; }
int AudioEngine::sampleRate() const { return d->rate; }
void AudioEngine::render(float* out, int frames) {
    for (int i = 0; i < 2 * frames; ++i)
        out[i] = 0;
}

struct MediaPlayer::Impl {
    QString path;
    PlayState state = PlayState::NoMedia;
    double position = 0;
    int level = 0;
};

MediaPlayer::MediaPlayer(QWidget* parent) : MediaPlayer(AudioEngine::instance(), parent) {}
MediaPlayer::MediaPlayer(AudioEngine&, QWidget* parent) : QWidget(parent), d(std::make_unique<Impl>()) {}
MediaPlayer::~MediaPlayer() = default;

MediaError MediaPlayer::open(const QString& path) {
    d->path = path;
    if (!QFileInfo(path).isFile()) {
        d->state = PlayState::NoMedia;
        return {MediaError::Kind::NotFound, QStringLiteral("The file does not exist.")};
    }
    d->state = PlayState::Stopped;
    d->position = 0;
    return {};
}
QString MediaPlayer::fileName() const { return d->path; }
bool MediaPlayer::hasMedia() const { return d->state != PlayState::NoMedia; }
PlayState MediaPlayer::state() const { return d->state; }
MediaError MediaPlayer::play() {
    if (!hasMedia())
        return {MediaError::Kind::NoMedia, QStringLiteral("No song is loaded.")};
    d->state = PlayState::Playing;
    return {};
}
MediaError MediaPlayer::pause() {
    if (!hasMedia())
        return {MediaError::Kind::NoMedia, QStringLiteral("No song is loaded.")};
    d->state = PlayState::Paused;
    return {};
}
MediaError MediaPlayer::stop() {
    if (!hasMedia())
        return {MediaError::Kind::NoMedia, QStringLiteral("No song is loaded.")};
    d->state = PlayState::Stopped;
    return {};
}
double MediaPlayer::length() const { return 0; }
double MediaPlayer::position() const { return d->position; }
MediaError MediaPlayer::setPosition(double s) {
    if (!hasMedia())
        return {MediaError::Kind::NoMedia, QStringLiteral("No song is loaded.")};
    d->position = s < 0 ? 0 : s;
    return {};
}
int MediaPlayer::level() const { return d->level; }
void MediaPlayer::setLevel(int level) { d->level = level; }

} // namespace platform::media
