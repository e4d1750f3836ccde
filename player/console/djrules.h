#pragma once

#include <QString>
#include <array>
#include <optional>

namespace player {

// What the DJ view shows, as rules without a window: the moment under the play head, the zoom, the deck's
// clock and the level meters' ballistics, and the view's stored choices.
namespace djrules {

// The moment of the song the listener hears now: a playing deck's frames take `latency` seconds from the
// mixer to the ear, so what is heard lags the position by that much, times the deck's speed (never before
// the song's start). A deck at rest is heard where it stands.
double heardPosition(double position, double latency, bool playing, double tempo = 1.0);

// How many seconds of song the waveform strips show across, from kZoomLadder.
inline constexpr std::array<double, 12> kZoomLadder = {2, 3, 4, 5, 6, 8, 10, 12, 15, 20, 25, 30};
inline constexpr double kDefaultZoom = 10;
// `steps` rungs closer (positive: fewer seconds across) or farther from `seconds`, held at the ladder's
// ends; a value between rungs moves from the nearest one.
double zoomed(double seconds, int steps);

// A deck's clock: "m:ss.t", the time played in tenths cut down, the time left rounded up and signed with a
// minus, so it reads "-0:00.0" only at the very end. Negative or unknown times read as 0.
QString playedText(double seconds);
QString leftText(double seconds);
// A levelled song's gain as the deck shows it: "level -3.2 dB", "level +1.0 dB"; empty when not levelled.
QString levelText(std::optional<double> db);
// The last seconds of a song, when the time left takes the warning colour.
inline constexpr double kWarnSeconds = 30;
bool leftIsWarning(double left, bool hasSong);

// The deck's state as its transport lights show it.
enum class Light { None, Play, Pause, Stop };

// One level meter (left and right) as the display shows it, stepped at each display tick with what the
// mix fed it since the last: levels on a dB scale from kFloorDb (empty) to 0 dB (full), rising at once and
// falling at kFallPerSecond of the scale; the highest point held kHoldSeconds, then falling the same way;
// the clip light lit kClipSeconds from the last sample at full scale.
class MeterBallistics {
public:
    static constexpr double kFloorDb = -48;
    static constexpr double kFallPerSecond = 0.75;
    static constexpr double kHoldSeconds = 0.8;
    static constexpr double kClipSeconds = 1.0;

    // 0..1 of the scale for a sample magnitude.
    static double fraction(float magnitude);

    // `seconds` since the last step (the display tick's own interval, which rests slower while nothing
    // plays).
    void step(float left, float right, bool clipped, double seconds);
    double level(int channel) const { return m_channel[channel].level; }
    double hold(int channel) const { return m_channel[channel].hold; }
    bool clipLit() const { return m_clipLeft > 0; }
    // Nothing lit and nothing falling: the meter has nothing left to show.
    bool atRest() const;

private:
    struct Channel {
        double level = 0;
        double hold = 0;
        double holdLeft = 0; // seconds the hold still stands
    };
    std::array<Channel, 2> m_channel{};
    double m_clipLeft = 0;
};

// The view's choices, kept in the settings file (section "View"): open or closed, and the zoom.
struct ViewChoice {
    bool open = false;
    double zoom = kDefaultZoom;
};
ViewChoice loadViewChoice();
bool saveViewChoice(const ViewChoice& choice);

} // namespace djrules

} // namespace player
