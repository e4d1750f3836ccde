#include "mpris.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <cmath>

#include "console/songintake.h"
#include "instance.h"
#include "media/mediaplayer.h"
#include "media/songformats.h"
#include "windows/mainwindow.h"

namespace player {

namespace desktop {

namespace {

using platform::media::PlayState;

constexpr auto kPlayerInterface = "org.mpris.MediaPlayer2.Player";
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

qlonglong toUs(double seconds) {
    return static_cast<qlonglong>(std::llround(seconds * 1e6));
}

// Track ids are compared as text: the bus type has no comparison of its own inside a variant.
QVariantMap comparable(QVariantMap props) {
    QVariantMap meta = props.value(QStringLiteral("Metadata")).toMap();
    meta[QStringLiteral("mpris:trackid")] =
        meta.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
    props[QStringLiteral("Metadata")] = meta;
    return props;
}

} // namespace

QStringList MprisRoot::supportedMimeTypes() const {
    return platform::media::songMimeTypes() + QStringList{QStringLiteral("audio/x-deckmora-playlist")};
}

MprisPlayer::MprisPlayer(Mpris* parent) : QDBusAbstractAdaptor(parent), m_p(parent) {
    connect(parent, &Mpris::seeked, this, &MprisPlayer::Seeked);
}

Mpris::Mpris(MainWindow& window, const QString& coverDir, QObject* parent)
    : QObject(parent), m_w(window), m_coverDir(coverDir) {
    m_tagReader.setMaxThreadCount(1);
    new MprisRoot(this);
    new MprisPlayer(this);
    connect(&m_w, &MainWindow::activeDeckChanged, this, &Mpris::scheduleRefresh);
    connect(&m_w, &MainWindow::deckLoaded, this, &Mpris::scheduleRefresh);
    connect(&m_w, &MainWindow::deckSeeked, this, [this](int d) {
        if (d == m_w.activeDeck())
            seekedTo(d);
    });
    // Queued behind the window's own handlers (the auto-mix answers a song's end), and sent once.
    connect(&m_w, &MainWindow::playerChanged, this, &Mpris::scheduleRefresh);
}

Mpris::~Mpris() {
    // A read still running ends before this object goes; what it sent back goes with the object.
    m_tagReader.clear();
    m_tagReader.waitForDone();
    if (!m_published)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(QString::fromLatin1(kPath));
    bus.unregisterService(m_service);
}

bool Mpris::publish() {
    if (m_published || !sessionBusAvailable())
        return m_published;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() ||
        !bus.registerObject(QString::fromLatin1(kPath), this, QDBusConnection::ExportAdaptors))
        return false;
    for (const QString& name : {QString::fromLatin1(kService),
                                QString::fromLatin1(kService) +
                                    QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid())}) {
        const auto reply = bus.interface()->registerService(name, QDBusConnectionInterface::DontQueueService,
                                                            QDBusConnectionInterface::DontAllowReplacement);
        if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
            m_service = name;
            m_published = true;
            m_sent = comparable(playerProperties());
            return true;
        }
    }
    bus.unregisterObject(QString::fromLatin1(kPath));
    return false;
}

// --- reads ---

bool Mpris::hasSong() const {
    return m_w.deckPlayer(m_w.activeDeck()).hasMedia();
}

QString Mpris::playbackStatus() const {
    switch (m_w.deckPlayer(m_w.activeDeck()).state()) {
    case PlayState::Playing:
        return QStringLiteral("Playing");
    case PlayState::Paused:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

qlonglong Mpris::positionUs() const {
    const auto& mp = m_w.deckPlayer(m_w.activeDeck());
    return mp.hasMedia() ? toUs(mp.position()) : 0;
}

// The deck slider's travel from its bottom to its top.
double Mpris::volume() const {
    return m_w.deckVolume(m_w.activeDeck());
}

bool Mpris::canGoNext() const {
    return m_w.songList().count() > 0;
}

bool Mpris::shuffle() const {
    return m_w.randomPlaying();
}

QDBusObjectPath Mpris::trackId() const {
    const int d = m_w.activeDeck();
    const auto& mp = m_w.deckPlayer(d);
    if (!mp.hasMedia())
        return QDBusObjectPath(kNoTrack);
    const QString key = QString::number(d) + QLatin1Char('|') + mp.fileName();
    if (key != m_trackKey) {
        m_trackKey = key;
        ++m_trackSerial;
    }
    return QDBusObjectPath(QStringLiteral("/org/deckmora/Deckmora/Track/%1").arg(m_trackSerial));
}

QVariantMap Mpris::metadata() const {
    QVariantMap m;
    const QDBusObjectPath id = trackId();
    m[QStringLiteral("mpris:trackid")] = QVariant::fromValue(id);
    if (id.path() == kNoTrack)
        return m;
    const int d = m_w.activeDeck();
    const QString path = m_w.deckPlayer(d).fileName();
    if (path != m_tagsPath)
        askTags(path);
    QString title = m_tags.title;
    if (title.isEmpty())
        title = m_w.deckSongName(d);
    if (title.isEmpty())
        title = QFileInfo(path).fileName();
    m[QStringLiteral("mpris:length")] = toUs(m_w.deckPlayer(d).length());
    m[QStringLiteral("xesam:url")] = QUrl::fromLocalFile(path).toString();
    m[QStringLiteral("xesam:title")] = title;
    if (!m_tags.artist.isEmpty())
        m[QStringLiteral("xesam:artist")] = QStringList{m_tags.artist};
    if (!m_tags.album.isEmpty())
        m[QStringLiteral("xesam:album")] = m_tags.album;
    if (!m_tags.artPath.isEmpty())
        m[QStringLiteral("mpris:artUrl")] = QUrl::fromLocalFile(m_tags.artPath).toString();
    return m;
}

void Mpris::askTags(const QString& path) const {
    m_tagsPath = path;
    m_tags = {};
    const quint64 ask = ++m_tagsAsked;
    m_latestAsk.store(ask);
    auto* self = const_cast<Mpris*>(this);
    m_tagReader.start([self, path, dir = m_coverDir, ask] {
        if (self->m_latestAsk.load() != ask)
            return; // another song was asked for while this one waited
        const SongTags tags = readSongTags(path, dir);
        QMetaObject::invokeMethod(
            self, [self, ask, tags] { self->tagsRead(ask, tags); }, Qt::QueuedConnection);
    });
}

void Mpris::tagsRead(quint64 ask, const SongTags& tags) {
    if (ask != m_tagsAsked)
        return;
    m_tags = tags;
    emit tagsChanged();
    scheduleRefresh();
}

QVariantMap Mpris::playerProperties() const {
    const bool song = hasSong();
    return {
        {QStringLiteral("PlaybackStatus"), playbackStatus()},
        {QStringLiteral("Metadata"), metadata()},
        {QStringLiteral("Volume"), volume()},
        {QStringLiteral("Shuffle"), shuffle()},
        {QStringLiteral("CanGoNext"), canGoNext()},
        {QStringLiteral("CanGoPrevious"), song},
        {QStringLiteral("CanPlay"), song},
        {QStringLiteral("CanPause"), song},
        {QStringLiteral("CanSeek"), song},
    };
}

// --- commands ---

void Mpris::play() {
    m_w.console().play(m_w.activeDeck());
    refresh();
}

void Mpris::pause() {
    const int d = m_w.activeDeck();
    if (m_w.deckPlayer(d).state() == PlayState::Playing)
        m_w.console().pause(d);
    refresh();
}

void Mpris::playPause() {
    const int d = m_w.activeDeck();
    if (m_w.deckPlayer(d).state() == PlayState::Playing)
        m_w.console().pause(d);
    else
        m_w.console().play(d);
    refresh();
}

void Mpris::stop() {
    m_w.console().stop(m_w.activeDeck());
    refresh();
}

void Mpris::next() {
    m_w.console().goOn(m_w.activeDeck());
    refresh();
}

void Mpris::previous() {
    const int d = m_w.activeDeck();
    if (!m_w.deckPlayer(d).hasMedia())
        return;
    m_w.console().seek(d, 0);
    seekedTo(d);
}

// Past the end is the next song, as the protocol has it; before the start is the start.
void Mpris::seek(qlonglong offsetUs) {
    const int d = m_w.activeDeck();
    auto& mp = m_w.deckPlayer(d);
    if (!mp.hasMedia())
        return;
    const double target = std::max(0.0, mp.position() + double(offsetUs) / 1e6);
    if (target > mp.length()) {
        next();
        return;
    }
    m_w.console().seek(d, target);
    seekedTo(d);
}

// A request for another track than the one playing, or outside the song, is stale: it is ignored.
void Mpris::setPosition(const QDBusObjectPath& track, qlonglong positionUs) {
    const int d = m_w.activeDeck();
    auto& mp = m_w.deckPlayer(d);
    if (!mp.hasMedia() || track.path() != trackId().path() || positionUs < 0 ||
        positionUs > toUs(mp.length()))
        return;
    m_w.console().seek(d, double(positionUs) / 1e6);
    seekedTo(d);
}

void Mpris::openUri(const QString& uri) {
    const QUrl url(uri);
    if (url.isLocalFile())
        m_w.console().intake().add({url.toLocalFile()});
}

// Any double may come from the bus; not a number is no volume at all.
void Mpris::setVolume(double v) {
    if (std::isnan(v))
        return;
    m_w.console().setDeckVolume(m_w.activeDeck(), v);
}

void Mpris::setShuffle(bool on) {
    m_w.console().setRandomPlaying(on);
}

void Mpris::raise() {
    m_w.bringToFront();
}

void Mpris::quit() {
    m_w.quitNow();
}

void Mpris::seekedTo(int deck) {
    const auto& mp = m_w.deckPlayer(deck);
    emit seeked(mp.hasMedia() ? toUs(mp.position()) : 0);
}

// --- changes ---

void Mpris::scheduleRefresh() {
    if (m_refreshQueued)
        return;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshQueued = false;
        refresh();
    });
}

void Mpris::refresh() {
    if (!m_published)
        return;
    const QVariantMap now = playerProperties();
    const QVariantMap nowComparable = comparable(now);
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it)
        if (m_sent.value(it.key()) != nowComparable.value(it.key()))
            changed.insert(it.key(), it.value());
    if (changed.isEmpty())
        return;
    m_sent = nowComparable;
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

} // namespace desktop

} // namespace player
