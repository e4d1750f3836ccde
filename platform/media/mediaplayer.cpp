#include "media/mediaplayer.h"

#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cmath>

#include "media/audioengine.h"
#include "media/deck.h"
#include "media/decoder.h"
#include "media/mixer.h"

namespace platform::media {

namespace {

MediaError noMedia() {
    return {MediaError::Kind::NoMedia, QStringLiteral("No song is loaded.")};
}

QString clock(double seconds) {
    const int s = int(std::max(0.0, seconds));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

float gainForLevel(int level) {
    // Linear in the level: the crossfader's two gains add up to 1. Above 0 is held at full gain so nothing
    // clips.
    return float(std::clamp(1.0 + double(level) / 9000.0, 0.0, 1.0));
}

struct MediaPlayer::Impl {
    Impl(AudioEngine& e) : engine(e), deck(e.sampleRate(), e.mixer().threaded, e.period()) {}
    AudioEngine& engine;
    Deck deck;
    QString path;
    int level = 0;
    uint32_t endsDelivered = 0;
    QTimer face;
};

MediaPlayer::MediaPlayer(QWidget* parent) : MediaPlayer(AudioEngine::instance(), parent) {}

MediaPlayer::MediaPlayer(AudioEngine& engine, QWidget* parent)
    : QWidget(parent), d(std::make_unique<Impl>(engine)) {
    d->deck.setGain(gainForLevel(0));
    d->deck.setOwner(this, [](QObject* o) { static_cast<MediaPlayer*>(o)->deliverEnds(); });
    d->engine.mixer().addDeck(&d->deck);
    // The face's clock moves only while a song plays and someone can see it: the timer runs only then (a
    // paint starts it), so a player in a cut-off work area or a stopped deck never wakes the event loop.
    d->face.setInterval(250);
    connect(&d->face, &QTimer::timeout, this, [this] {
        if (state() == PlayState::Playing && !visibleRegion().isEmpty())
            update();
        else
            d->face.stop();
    });
}

MediaPlayer::~MediaPlayer() {
    d->deck.setOwner(nullptr, nullptr);
    d->engine.mixer().removeDeck(&d->deck);
}

void MediaPlayer::deliverEnds() {
    // A handler may open the next song, which settles the count; hence the fresh read on every turn.
    while (d->endsDelivered != d->deck.endsSeen()) {
        ++d->endsDelivered;
        update();
        emit ended(0);
    }
}

MediaError MediaPlayer::open(const QString& path) {
    OpenResult r = openDecoder(path);
    take(path, std::move(r.decoder));
    return r.error;
}

MediaError MediaPlayer::openOrKeep(const QString& path) {
    OpenResult r = openDecoder(path);
    if (!r.decoder)
        return r.error ? r.error
                       : MediaError{MediaError::Kind::UnsupportedFormat,
                                    QStringLiteral("The file cannot be played.")};
    take(path, std::move(r.decoder));
    return {};
}

void MediaPlayer::take(const QString& path, std::unique_ptr<Decoder> decoder) {
    d->path = path;
    d->deck.load(std::move(decoder));
    // Whatever ended before this load belongs to the song that is gone.
    d->endsDelivered = d->deck.endsSeen();
    update();
}

QString MediaPlayer::fileName() const {
    return d->path;
}

bool MediaPlayer::hasMedia() const {
    return d->deck.state() != DeckState::NoMedia;
}

PlayState MediaPlayer::state() const {
    switch (d->deck.state()) {
    case DeckState::NoMedia:
        return PlayState::NoMedia;
    case DeckState::Stopped:
        return PlayState::Stopped;
    case DeckState::Playing:
        return PlayState::Playing;
    case DeckState::Paused:
        return PlayState::Paused;
    }
    return PlayState::NoMedia;
}

MediaError MediaPlayer::play() {
    if (!hasMedia())
        return noMedia();
    d->deck.play();
    update();
    return {};
}

MediaError MediaPlayer::pause() {
    if (!hasMedia())
        return noMedia();
    d->deck.pause();
    update();
    return {};
}

MediaError MediaPlayer::stop() {
    if (!hasMedia())
        return noMedia();
    d->deck.stop();
    // A stop outranks an end the UI has not heard of yet: no notification follows a stop.
    d->endsDelivered = d->deck.endsSeen();
    update();
    return {};
}

double MediaPlayer::length() const {
    return hasMedia() ? d->deck.length() : 0.0;
}

double MediaPlayer::position() const {
    return hasMedia() ? d->deck.position() : 0.0;
}

MediaError MediaPlayer::setPosition(double seconds) {
    if (!hasMedia())
        return noMedia();
    d->deck.seek(std::isnan(seconds) ? 0.0 : seconds);
    update();
    return {};
}

int MediaPlayer::level() const {
    return d->level;
}

void MediaPlayer::setLevel(int level) {
    d->level = level;
    d->deck.setGain(gainForLevel(level));
}

void MediaPlayer::setTempo(double ratio) {
    d->deck.setTempo(std::isfinite(ratio) ? std::clamp(ratio, kTempoMin, kTempoMax) : 1.0);
}

double MediaPlayer::tempo() const {
    return d->deck.tempo();
}

void MediaPlayer::setKeyLock(bool on) {
    d->deck.setKeyLock(on);
}

bool MediaPlayer::keyLock() const {
    return d->deck.keyLock();
}

dsp::DeckShape& MediaPlayer::shape() {
    return d->deck.shape();
}

PeakMeter& MediaPlayer::meter() {
    return d->deck.meter;
}

bool MediaPlayer::cue() const {
    return d->deck.cue();
}

void MediaPlayer::setCue(bool on) {
    d->deck.setCue(on);
}

QSize MediaPlayer::sizeHint() const {
    return {49, 33};
}

void MediaPlayer::paintEvent(QPaintEvent*) {
    static const char* const kStates[] = {"none", "stop", "play", "pause"};
    if (state() == PlayState::Playing && !d->face.isActive())
        d->face.start();
    QPainter p(this);
    p.fillRect(rect(), QColor(24, 24, 24));
    p.setPen(QColor(200, 230, 200));
    QFont f = font();
    f.setPixelSize(std::max(7, height() / 3 - 1));
    p.setFont(f);
    const QString text = QString::fromLatin1(kStates[int(state())]) + QLatin1Char('\n') + clock(position()) +
                         QLatin1Char('/') + clock(length());
    p.drawText(rect(), Qt::AlignCenter, text);
}

} // namespace platform::media
