#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "automix.h"
#include "mixrules.h"
#include "songlist.h"
#include "songsearch.h"

#include "analysis/songfacts.h"
#include "analysis/taptempo.h"
#include "temporules.h"

class QTimer;

namespace platform::media {
class MediaPlayer;
} // namespace platform::media
namespace platform::analysis {
class AnalysisService;
class Waveform;
} // namespace platform::analysis

namespace player {

class MissingFiles;
class SongIntake;

// The player's commands without a window: the two decks' transport, their levels and the crossfader, the
// auto-mix, the song list's commands and the search's cancel flag. The main window, its keys and drops, the
// remote control and a second start all come through here; whatever else wants to play a deck, move the
// crossfader or load a song (a DJ view, a controller) calls the same methods. Decks are 0 and 1; levels are
// the faders' own integers, which the level law turns into what the decks hear.
//
// The console holds no widget of its own: it drives the decks' players and the song list the window lends
// it, and says through its signals what a window should show.
class Console : public QObject {
    Q_OBJECT
public:
    static constexpr int kDecks = 2;
    // A deck's volume fader: -5000 (silent end) to 0 (full).
    static constexpr int kDeckLevelMin = -5000;
    static constexpr int kDeckLevelMax = 0;
    // The crossfader: 1 (deck 0 alone) to 100 (deck 1 alone), 50 the middle.
    static constexpr int kCrossfaderMin = 1;
    static constexpr int kCrossfaderMax = 100;
    // How far a skip moves a deck.
    static constexpr double kSkipSeconds = 5;

    Console(std::array<platform::media::MediaPlayer*, kDecks> decks, SongList list, MissingFiles* missing,
            QObject* parent = nullptr);

    // With the debug word on, loading and playing show what the deck opened.
    void setDebugWord(std::function<bool()> on) { m_debugWord = std::move(on); }

    // --- the decks ---
    platform::media::MediaPlayer& deck(int index) const { return *m_players[index]; }
    // Loads a song as "LOAD TO" does; `row` is the list entry it came from, -1 for a song from outside. A
    // song that cannot be opened leaves the deck as it was (its song, position and playing) and the user is
    // told which file failed and why.
    bool loadSong(int index, const QString& name, const QString& path, int row = -1);
    // Loads the song selected in the list; false when none is selected or it cannot be opened.
    bool loadSelected(int index);
    void play(int index);
    void pause(int index);
    // Stops and rewinds.
    void stop(int index);
    // Forward (positive) or back; the engine clamps a position outside the song.
    void skip(int index, double seconds);
    // A deck without a song has nowhere to go.
    void seek(int index, double seconds);
    bool hasSong(int index) const { return m_deck[index].loaded; }
    QString songName(int index) const { return m_deck[index].name; }
    // What the deck's caption says: "No song loaded", "Now Loaded: ...", "Now Playing: ...".
    QString caption(int index) const { return m_deck[index].caption; }
    // Pre-listen on the headphones.
    void setCue(int index, bool on);
    bool cue(int index) const;

    // --- levels ---
    // Clamped to the fader's range.
    void setDeckLevel(int index, int level);
    int deckLevel(int index) const { return m_level[index]; }
    // The fader's travel from the bottom (0) to the top (1), for views that know no fader's numbers.
    double deckVolume(int index) const;
    void setDeckVolume(int index, double travel);
    void setCrossfader(int value);
    int crossfader() const { return m_crossfader; }

    // --- the decks' sound: a DJ mixer's knobs, before the deck's level; a fresh start is flat, as on a
    // hardware mixer, so none of them is stored ---
    enum class Band { Low, Mid, High };
    static constexpr int kBands = 3;
    // The gain (trim) in dB, held to mixrules' range.
    void setGain(int index, double db);
    double gain(int index) const { return m_knobs[index].gainDb; }
    // A band's knob, -1 (silent) .. 0 (flat) .. 1 (+6 dB); a kill silences the band whatever its knob.
    void setBand(int index, Band band, double knob);
    double band(int index, Band band) const { return m_knobs[index].band[int(band)]; }
    void setKill(int index, Band band, bool on);
    bool kill(int index, Band band) const { return m_knobs[index].kill[int(band)]; }
    // The filter knob, -1 (low-pass, lowest) .. 0 (off) .. 1 (high-pass, highest).
    void setFilter(int index, double knob);
    double filter(int index) const { return m_knobs[index].filter; }
    // Every knob of the deck to its centre, every kill off.
    void resetDeck(int index);

    // How the three sliders reach the decks (the Sound window's "Faders"). DjMixer applies the sliders'
    // places at once and after every move; back to AsWritten, the levels stay until a slider moves.
    void setFaders(mixrules::Faders faders, mixrules::CrossfadeCurve curve);
    mixrules::Faders faders() const { return m_faders; }
    mixrules::CrossfadeCurve crossfadeCurve() const { return m_curve; }

    // --- tempo and beat (console_tempo.cpp) ---
    // A deck's tempo fader covers 1 ± its range, one of these; ±8 % at start.
    static constexpr std::array<double, 3> kTempoRanges = temporules::kRanges;
    // How much faster or slower a held nudge plays the deck.
    static constexpr double kNudge = 0.04;
    void setTempoRange(int index, double range);
    double tempoRange(int index) const { return m_tempo[index].range; }
    // The fader's tempo as a ratio, 1 the song's own, held to 1 ± the range; what the deck plays is this and
    // the nudge.
    void setTempo(int index, double ratio);
    double tempo(int index) const { return m_tempo[index].ratio; }
    // Key lock: the tempo moves without the pitch.
    void setKeyLock(int index, bool on);
    bool keyLock(int index) const { return m_tempo[index].keyLock; }
    // Pitch nudge while a key or button is held: +1 faster, -1 slower, 0 released.
    void nudge(int index, int direction);
    int nudging(int index) const { return m_tempo[index].nudge; }
    // The deck's tempo to the other deck's (as it plays, in beats a minute) and its beats onto the other's;
    // false, and nothing changed, when either deck lacks a song with a beat grid or when not even the widest
    // range reaches (a narrower range widens as far as needed). The beats move only while the other deck
    // plays: a seek of less than half a beat, at the moments the listener hears.
    bool sync(int index);
    // The song's tempo was read as half or twice the music's: the user's tempo, kept by the analysis. False
    // without a tempo to start from.
    bool halveTempo(int index);
    bool doubleTempo(int index);
    // A tap at `seconds` (any clock moving forward): from the fourth of a count on, the user's tempo.
    void tapTempo(int index, double seconds);
    int taps(int index) const { return m_tempo[index].tap.taps(); }
    // The taps of a count still going on at `now` (temporules::tapClock()), 0 when none is.
    int tapsShown(int index, double now) const;
    // The seconds from the mixer to the ear, for the moments the listener hears; none by default.
    void setLatency(std::function<double()> latency) { m_latency = std::move(latency); }
    // What the analysis found of the deck's song (the user's tempo winning); empty facts without a song,
    // without an analysis, or before it is done.
    platform::analysis::SongFacts facts(int index) const;
    // The analysis the console asks about its decks' songs; null for none. The service outlives the console
    // (or is taken away first). Every song loaded is analysed from then on, whether a view shows it or not.
    void setAnalysis(platform::analysis::AnalysisService* service);
    platform::analysis::AnalysisService* analysis() const { return m_analysis; }

    // --- the auto-mix ---
    // "Go on playing...": a deck whose song ends moves on to the next list entry. Turning it off turns
    // "Random playing" off; turning "Random playing" on turns it on.
    bool goOnPlaying() const { return m_goOn; }
    void setGoOnPlaying(bool on);
    bool randomPlaying() const { return m_random; }
    void setRandomPlaying(bool on);
    // A deck's song has ended: with "Go on playing..." on, it goes on.
    void songEnded(int index);
    // Moves deck `index` on to the next list entry, or a random one with "Random playing", and plays it. A
    // song that cannot be opened is passed over, at most once around the list, and no box waits for a user.
    void goOn(int index);
    // How a song's end goes on (console_automix.cpp): "Cut" as above, or a crossfade over both decks while
    // "Go on playing..." is on; and whether songs are levelled to one loudness. Applied at once.
    void setAutoMix(const automix::Settings& settings);
    const automix::Settings& autoMix() const { return m_autoMixSettings; }
    // One step of the hand-over and the levelling: the console's own timer calls it while either is on;
    // offline tests call it between renders.
    void autoMixTick();
    // The hand-over armed or under way (from < 0: none).
    const automix::Run& handOver() const { return m_run; }
    // The gain the deck's song is levelled by, in dB, on top of the user's trim; none when not levelled.
    std::optional<double> levelGain(int index) const { return m_levelDb[index]; }

    // --- the song list ---
    SongList songList() const { return m_list; }
    // What holds the list still: while the add-folder loop runs, the playlist editor is open or songs from
    // outside come in, the commands that change or walk the list are off, so nothing changes it under them.
    enum class ListHolder { AddFolder = 1, Editor = 2, Intake = 4 };
    void holdList(ListHolder holder, bool held);
    bool listCommandsEnabled() const { return m_listHolders == 0; }
    bool listHeldBy(ListHolder holder) const { return m_listHolders & int(holder); }
    // Held by anything but songs coming in from outside.
    bool listHeldForIntake() const { return (m_listHolders & ~int(ListHolder::Intake)) != 0; }
    // Each command does nothing while the list is held.
    void clearList();
    void newPlaylist();
    void openPlaylist();
    void addPlaylist();
    void savePlaylist();
    void addFile();
    void removeFromList();
    void removeFromComputer();
    void removeFromPc();
    // Asks itself whether there is anything to take out, so it runs even while the list is held.
    void removeMissing();
    // Files, folders and playlists from outside (drops, the command line, a second start, the remote control)
    // come in through here; they wait while the list is held by anything else.
    SongIntake& intake() const { return *m_intake; }
    // Moves the selection by `delta` entries, kept inside the list; from no selection, down starts at 0.
    // The entry now selected, or nothing for an empty list.
    std::optional<int> moveSelection(int delta);

    // --- the search ---
    // One search at a time; a running search looks at its cancel flag between slices.
    const std::shared_ptr<SearchState>& search() const { return m_search; }
    bool searchRunning() const { return m_search->running(); }
    // Raises the cancel flag of a running search; false (and nothing done) when none runs.
    bool cancelSearch() { return m_search->cancel(); }

signals:
    // A deck's caption now says `text`.
    void captionChanged(int index, const QString& text);
    // A song was loaded into deck `index`, or failed to load.
    void deckLoaded(int index);
    void deckLevelChanged(int index, int level);
    void crossfaderChanged(int value);
    // A knob or kill of deck `index` moved.
    void deckSoundChanged(int index);
    // Deck `index`'s tempo, range, key lock or nudge changed.
    void tempoChanged(int index);
    void autoMixChanged();
    // Deck `index`'s levelling gain changed (levelGain()).
    void levelGainChanged(int index);
    void listHoldChanged();

private:
    struct Deck {
        bool loaded = false;
        QString name;
        QString caption;
    };
    void setCaption(int index, const QString& text);
    void forget(int index);
    bool debugWord() const { return m_debugWord && m_debugWord(); }
    // Opens the next song the list offers (in order from the selection, or drawn at random) in deck `index`,
    // passing over those that will not open; false when none does.
    bool openNextEntry(int index);
    void applyLevels(int index);
    void applyFaders();
    void applyKnobs(int index);
    struct Knobs {
        double gainDb = 0;
        std::array<double, kBands> band{};
        std::array<bool, kBands> kill{};
        double filter = 0;
    };
    std::array<Knobs, kDecks> m_knobs;
    struct Tempo {
        double range = kTempoRanges[0];
        double ratio = 1.0;
        bool keyLock = false;
        int nudge = 0;
        platform::analysis::TapTempo tap;
        double lastTap = 0;
    };
    bool setUserTempo(int index, std::optional<double> bpm);
    std::function<double()> m_latency;
    void applyTempo(int index);
    // Asks the analysis about the song deck `index` holds now, and holds the answer while the deck does.
    void followSong(int index);
    std::array<Tempo, kDecks> m_tempo;
    // The auto-mix's transitions and levelling (console_automix.cpp).
    void cancelHandOver(int index);
    bool autoMixOwnsEnd(int index) const;
    void moveFaderForHandOver(int value, int incoming);
    bool loadForHandOver(int index);
    void finishHandOver();
    void updateLevel(int index);
    void updateAutoMixTimer();
    automix::Settings m_autoMixSettings;
    automix::Run m_run;
    automix::Glide m_glide;
    std::array<bool, kDecks> m_spent{}; // stopped by a hand-over: its song is no one's choice
    std::array<std::optional<double>, kDecks> m_levelDb;
    std::array<QString, kDecks> m_levelPath; // the song the deck's ReplayGain was read from
    std::array<automix::ReplayGain, kDecks> m_replayGain;
    bool m_autoMixMoving = false; // the crossfader moves by the hand-over's hand
    QTimer* m_autoMixTimer = nullptr;
    std::array<QString, kDecks> m_songPath;
    std::array<std::shared_ptr<const platform::analysis::Waveform>, kDecks> m_song;
    platform::analysis::AnalysisService* m_analysis = nullptr;
    mixrules::Faders m_faders = mixrules::Faders::AsWritten;
    mixrules::CrossfadeCurve m_curve = mixrules::CrossfadeCurve::EqualPower;

    std::array<platform::media::MediaPlayer*, kDecks> m_players;
    SongList m_list;
    MissingFiles* m_missing;
    std::function<bool()> m_debugWord;
    std::array<Deck, kDecks> m_deck;
    std::array<int, kDecks> m_level{kDeckLevelMax, kDeckLevelMax};
    int m_crossfader = (kCrossfaderMin + kCrossfaderMax) / 2;
    bool m_goOn = false;
    bool m_random = false;
    int m_listHolders = 0;
    SongIntake* m_intake = nullptr;
    std::shared_ptr<SearchState> m_search = std::make_shared<SearchState>();
};

} // namespace player
