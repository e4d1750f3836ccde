#pragma once

#include <QString>
#include <optional>

#include "analysis/songfacts.h"

namespace player {

// When and how the auto-mix hands one deck over to the other, free of the console and the engine: it is told
// the songs' facts and where the outgoing deck plays, and says what to do. Times are the outgoing song's own
// seconds, so a song that is seeked or paused moves its hand-over with it.
namespace automix {

enum class Transition {
    Cut,       // the deck whose song ends goes on by itself, the other deck untouched
    Crossfade, // the next song starts on the other deck and the crossfader carries the mix across
};

inline constexpr double kFadeMinSeconds = 1, kFadeMaxSeconds = 30, kFadeDefaultSeconds = 8;
inline constexpr double kTargetDefaultLufs = -14;
inline constexpr double kTargetMinLufs = -30, kTargetMaxLufs = -5;
// The levelled song's true peak stays this far under full scale, whatever the target asks.
inline constexpr double kPeakCeilingDbtp = -1;
// A levelling gain is held to this, so a near-silent song is not lifted into noise.
inline constexpr double kLevelMinDb = -24, kLevelMaxDb = 12;
// The next song is in its deck this long before the fade begins, so its analysis is done when it is needed.
inline constexpr double kLoadAheadSeconds = 10;
// After a beat-matched fade, the incoming deck's tempo goes back to its own over this long.
inline constexpr double kTempoGlideSeconds = 8;

struct Settings {
    Transition transition = Transition::Cut;
    double fadeSeconds = kFadeDefaultSeconds;
    bool levelSongs = false;
    double targetLufs = kTargetDefaultLufs;
};
// Out-of-range or non-finite values back to something playable.
Settings held(Settings s);

// Where the song is heard: the facts' audible bounds, else the whole song; always start < end within it.
struct Span {
    double start = 0, end = 0;
};
Span audible(const platform::analysis::SongFacts& facts, double length);

// One hand-over, in the outgoing song's seconds: the next song is loaded at `loadAt`, started (from
// `incomingFrom`, its first audible moment) at `fadeStart`, the crossfader travels until `fadeEnd`, where
// the outgoing deck stops.
struct Plan {
    double loadAt = 0, fadeStart = 0, fadeEnd = 0;
    double incomingFrom = 0;
};
// `incoming` may be unknown yet (no song chosen): then the plan holds for any song that starts at 0. The fade
// never runs longer than half of either song's audible part, so a short song is not faded over entirely.
Plan plan(double outLength, const platform::analysis::SongFacts& out, double inLength,
          const platform::analysis::SongFacts& in, double fadeSeconds);

// The crossfader's place at outgoing time `t`: from `from` to the incoming deck's end (1 for deck 0, 100 for
// deck 1) in even steps of time; what the decks hear of it is the equal-power curve the console writes.
int faderAt(const Plan& p, double t, int from, int incomingDeck);

// The levelling gain for a song in dB: target − loudness, lowered so that true peak + gain ≤ the ceiling;
// the ReplayGain track gain (and its peak) where the analysis has no loudness; nothing when neither.
struct ReplayGain {
    std::optional<double> trackGainDb; // against ReplayGain's -18 LUFS reference
    std::optional<double> trackPeak;   // linear sample peak
};
inline constexpr double kReplayGainReferenceLufs = -18;
std::optional<double> levelGainDb(const platform::analysis::SongFacts& facts, const ReplayGain& tags,
                                  double targetLufs);

// Whether the incoming song can be beat-matched to the outgoing one played at `outTempo`: both have a grid
// and the incoming deck's tempo fader (1 ± `range`) reaches the outgoing tempo.
bool beatMatch(const platform::analysis::SongFacts& out, double outTempo,
               const platform::analysis::SongFacts& in, double range);
// The incoming deck's tempo `since` seconds after the fade ended, from `synced` back to 1 in small even
// steps.
double tempoGlide(double synced, double since);

// The console's hand-over in progress, from deck `from` (-1: none armed) to the other deck.
struct Run {
    int from = -1;
    bool loaded = false;  // the next song is in the other deck
    bool started = false; // ... and playing: the fade is on, its plan fixed
    bool letGo = false;   // the user took the crossfader
    bool synced = false;  // the incoming deck was beat-matched
    bool cut = false;     // no song for the other deck: the song's end goes on as a Cut
    int faderFrom = 0;
    Plan plan;
};
// A beat-matched deck's tempo on its way back to its own.
struct Glide {
    int deck = -1;
    double from = 1, since = 0; // the synced tempo; the deck's position when the fade ended
};

} // namespace automix

// A song file's ReplayGain tags (REPLAYGAIN_TRACK_GAIN, REPLAYGAIN_TRACK_PEAK), read with TagLib; empty when
// the file has none or cannot be read.
automix::ReplayGain readReplayGain(const QString& path);

} // namespace player
