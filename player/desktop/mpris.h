#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <QVariantMap>
#include <atomic>

#include "songtags.h"

namespace player {

class MainWindow;

// The desktop's remote control (media keys, "now playing" panels, playerctl) through MPRIS 2 on the session
// bus. The player side follows the active deck, the deck whose transport was used last. Changes are sent
// once each, when they happen: the state is compared with what was last sent after every event that can
// change it, never on a clock.
namespace desktop {

class Mpris : public QObject {
    Q_OBJECT
public:
    static constexpr auto kService = "org.mpris.MediaPlayer2.deckmora";
    static constexpr auto kPath = "/org/mpris/MediaPlayer2";

    // `coverDir` receives the covers of songs that embed one.
    explicit Mpris(MainWindow& window, const QString& coverDir = coverCacheDir(), QObject* parent = nullptr);
    ~Mpris() override;
    // Publishes the player; false without a session bus. A name already taken gets this process's own
    // suffix, as the protocol asks.
    bool publish();
    QString serviceName() const { return m_service; }

    // --- what the bus reads ---
    QString playbackStatus() const;
    QVariantMap metadata() const;
    qlonglong positionUs() const;
    double volume() const;
    bool canGoNext() const;
    bool hasSong() const;
    bool shuffle() const;

    // --- what the bus asks ---
    void play();
    void pause();
    void playPause();
    void stop();
    void next();
    void previous();
    void seek(qlonglong offsetUs);
    void setPosition(const QDBusObjectPath& track, qlonglong positionUs);
    void openUri(const QString& uri);
    void setVolume(double v);
    void setShuffle(bool on);
    void raise();
    void quit();

    // Compares the player's properties with those last sent and sends the ones that changed.
    void refresh();

signals:
    void seeked(qlonglong positionUs);
    // The active deck's song tags came in (the metadata now carries them).
    void tagsChanged();

private:
    void scheduleRefresh();
    void seekedTo(int deck);
    QVariantMap playerProperties() const;
    QDBusObjectPath trackId() const;
    void askTags(const QString& path) const;
    void tagsRead(quint64 ask, const SongTags& tags);

    MainWindow& m_w;
    QString m_coverDir;
    QString m_service;
    bool m_published = false;
    bool m_refreshQueued = false;
    QVariantMap m_sent; // the player properties as last sent (track ids as text)
    // The song the metadata describes; a new one gets a new track id.
    mutable QString m_trackKey;
    mutable quint64 m_trackSerial = 0;
    // The tags of the song the metadata describes. They are read on m_tagReader (a song may lie on a slow
    // disk, a cover is written to the cache) and come back on the UI thread; an answer for a song asked for
    // before the last is dropped. Until it comes, the metadata carries the list's name.
    mutable QString m_tagsPath;
    mutable SongTags m_tags;
    mutable quint64 m_tagsAsked = 0;
    mutable std::atomic<quint64> m_latestAsk{0};
    mutable QThreadPool m_tagReader;
};

class MprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)
public:
    explicit MprisRoot(Mpris* parent) : QDBusAbstractAdaptor(parent), m_p(parent) {}
    bool canQuit() const { return true; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("Deckmora"); }
    QString desktopEntry() const { return QStringLiteral("deckmora"); }
    QStringList supportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList supportedMimeTypes() const;

public slots:
    void Raise() { m_p->raise(); }
    void Quit() { m_p->quit(); }

private:
    Mpris* m_p;
};

class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(bool Shuffle READ shuffle WRITE setShuffle)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ hasSong)
    Q_PROPERTY(bool CanPlay READ hasSong)
    Q_PROPERTY(bool CanPause READ hasSong)
    Q_PROPERTY(bool CanSeek READ hasSong)
    Q_PROPERTY(bool CanControl READ canControl)
public:
    explicit MprisPlayer(Mpris* parent);
    QString playbackStatus() const { return m_p->playbackStatus(); }
    double rate() const { return 1.0; }
    void setRate(double) {} // one speed only
    bool shuffle() const { return m_p->shuffle(); }
    void setShuffle(bool on) { m_p->setShuffle(on); }
    QVariantMap metadata() const { return m_p->metadata(); }
    double volume() const { return m_p->volume(); }
    void setVolume(double v) { m_p->setVolume(v); }
    qlonglong position() const { return m_p->positionUs(); }
    bool canGoNext() const { return m_p->canGoNext(); }
    bool hasSong() const { return m_p->hasSong(); }
    bool canControl() const { return true; }

public slots:
    void Next() { m_p->next(); }
    void Previous() { m_p->previous(); }
    void Pause() { m_p->pause(); }
    void PlayPause() { m_p->playPause(); }
    void Stop() { m_p->stop(); }
    void Play() { m_p->play(); }
    void Seek(qlonglong Offset) { m_p->seek(Offset); }
    void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
        m_p->setPosition(TrackId, Position);
    }
    void OpenUri(const QString& Uri) { m_p->openUri(Uri); }

signals:
    void Seeked(qlonglong Position);

private:
    Mpris* m_p;
};

} // namespace desktop

} // namespace player
