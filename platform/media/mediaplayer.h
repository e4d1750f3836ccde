#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "media/peakmeter.h"

// The media player component: one per deck, all decks mixed by one AudioEngine. Operations are named by
// meaning; the numeric identifiers the decks were first written against stay visible in MediaOp.
namespace platform::media {

class AudioEngine;
class Decoder;
namespace dsp {
class DeckShape;
}

enum class MediaOp : int {
    FileName = 1026, // write: open a file; read: the path of the current media
    Play = 2001,     // start, or resume from a pause
    Pause = 2002,    // halt and keep the position
    Stop = 2003,     // halt; a freshly opened file does not start by itself
    Length = 1003,   // seconds; 0 while there is no media
    Position = 1027, // seconds; read and write
    Level = 19,      // output level, 0 loudest; gain = max(0, 1 + level / 9000)
};

enum class PlayState { NoMedia, Stopped, Playing, Paused };

// Why an operation failed, for the caller to skip it or to tell the user.
struct MediaError {
    enum class Kind {
        None,
        NotFound,
        NotAFile,
        Unreadable,
        Empty,
        UnsupportedFormat,
        Corrupt,
        NoMedia,
        Output
    };
    Kind kind = Kind::None;
    QString message; // a sentence a person understands
    explicit operator bool() const { return kind != Kind::None; }
};

// The gain that `level` stands for: max(0, 1 + level / 9000), held at 1 above level 0.
float gainForLevel(int level);

class MediaPlayer : public QWidget {
    Q_OBJECT
public:
    // Decks of one program share `engine`; the default is the program-wide engine. The engine outlives its
    // players.
    explicit MediaPlayer(QWidget* parent = nullptr);
    MediaPlayer(AudioEngine& engine, QWidget* parent);
    ~MediaPlayer() override;

    // Opens `path` as the current media, replacing the previous one, and leaves it stopped at 0. On failure
    // the player is left without media (length 0) and the error says why; fileName() still reports `path`,
    // the last path written. The decoder is chosen by the file's content, not its name.
    MediaError open(const QString& path);
    // Opens `path` only when a decoder for it can be made; otherwise nothing changes (the song held, its
    // position, whether it plays, fileName()) and the error says why. A mistaken load never stops the music.
    MediaError openOrKeep(const QString& path);
    QString fileName() const;
    bool hasMedia() const;
    PlayState state() const;

    // Starts, or resumes from a pause; after the song played to its end, starts it again from 0.
    MediaError play();
    MediaError pause();
    // Halts and rewinds to 0; an end that the UI has not yet been told of is dropped.
    MediaError stop();
    double length() const;
    double position() const;
    // Clamped to [0, length]; past the end the song ends. Playback goes on from there in whatever state it
    // was: a playing deck past the end ends at once (and notifies); a paused or stopped one ends when played.
    MediaError setPosition(double seconds);
    int level() const;
    void setLevel(int level);
    // Pre-listen: the deck is heard in the engine's cue mix, at its own level before the volume.
    bool cue() const;
    void setCue(bool on);
    // The deck's gain, bands, kills and filter, applied before its level; a new player starts flat.
    dsp::DeckShape& shape();
    // The deck's output after its level, as the mix hears it, for a level meter.
    PeakMeter& meter();
    // The speed the song plays at, 1 its own, held to [kTempoMin, kTempoMax] and heard within 50 ms. Without
    // key lock the pitch moves with it, as a record sped up; with it the pitch stays. position() and length()
    // stay in the song's own seconds: a song at 1.1 moves 1.1 of its seconds each second. A new player plays
    // at 1 without key lock; a load keeps both.
    static constexpr double kTempoMin = 0.25;
    static constexpr double kTempoMax = 2.0;
    void setTempo(double ratio);
    double tempo() const;
    void setKeyLock(bool on);
    bool keyLock() const;

    QSize sizeHint() const override;

signals:
    // The song played to its end: once per end, on the UI thread. The argument is reserved (always 0).
    void ended(int reserved);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void deliverEnds();
    void take(const QString& path, std::unique_ptr<Decoder> decoder);
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace platform::media
