#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "automix.h"
#include "media/audioengine.h"
#include "mixrules.h"

class QTextStream;

namespace player {

// Which sound device the program uses and how: the settings file's choice, the command line's, and what the
// main window says about it. Plain rules, no windows.
namespace soundchoice {

// Latency asked of a device when the settings hold none (or nonsense), and the range the window offers.
inline constexpr int kDefaultLatencyMs = 40;
inline constexpr int kMinLatencyMs = 10;
inline constexpr int kMaxLatencyMs = 200;

struct Choice {
    QString device; // empty: the start order
    int latencyMs = kDefaultLatencyMs;
};

// The settings file's section "Sound", keys "Device" and "Latency".
Choice load();
bool save(const Choice& choice);
void applyTo(const Choice& choice, platform::media::EngineOptions& options);

// The pre-listen: section "Sound", keys "CueRouting" (Off, Device, Channels34, Split), "CueDevice" and
// "CueBalance" (0 the cue mix only ... 100 the main mix only). Nonsense reads as the default.
inline constexpr int kMaxCueBalance = 100;
struct CueChoice {
    platform::media::AudioEngine::CueRouting routing = platform::media::AudioEngine::CueRouting::Off;
    QString device;
    int balance = 0;
};
CueChoice loadCue();
bool saveCue(const CueChoice& choice);
platform::media::AudioEngine::CueOptions cueOptions(const CueChoice& choice);

// Recordings: key "RecordFormat", FLAC (the default) or WAV.
platform::media::AudioEngine::RecordFormat loadRecordFormat();
bool saveRecordFormat(platform::media::AudioEngine::RecordFormat format);
// Key "RecordFolder": the folder chosen for recordings; empty for the default, the music folder when there is
// one, else the home folder.
QString loadRecordFolder();
bool saveRecordFolder(const QString& folder);
QString defaultRecordFolder();
// Where the next recording goes. A chosen folder that is gone is kept to: the recording then says so rather
// than filing the set where nobody looks for it.
QString recordFolder();

// How the sliders reach the decks: keys "Faders" (AsWritten, the default, or DjMixer) and "Crossfader"
// (EqualPower, the default, or Cut).
struct FaderChoice {
    mixrules::Faders faders = mixrules::Faders::AsWritten;
    mixrules::CrossfadeCurve curve = mixrules::CrossfadeCurve::EqualPower;
};
FaderChoice loadFaders();
bool saveFaders(const FaderChoice& choice);

// Which stretcher keeps a key-locked deck's pitch: key "KeyLock", Light (the default) or Fine.
platform::media::AudioEngine::KeyLockEngine loadKeyLock();
bool saveKeyLock(platform::media::AudioEngine::KeyLockEngine engine);
// How the auto-mix goes on: keys "Transition" (Cut, the default, or Crossfade), "FadeSeconds" (8),
// "LevelSongs" (0 or 1) and "TargetLufs" (-14). A value out of range is held to it.
automix::Settings loadAutoMix();
bool saveAutoMix(const automix::Settings& settings);

// `--list-devices` prints every device (the one in use marked) and ends the program with 0; `--device NAME`
// uses that device for this run, and an unknown NAME ends it with 2 after a line that says so and the list.
// Returns the exit status when the program is to end now. `list` is asked only when needed.
std::optional<int>
applyArguments(const QStringList& args, platform::media::EngineOptions& options,
               const std::function<std::vector<platform::media::AudioEngine::DeviceInfo>()>& list,
               QTextStream& out, QTextStream& err);

// The footer's notice for `status`: empty while there is sound on the chosen device, routed as chosen (or
// while the first one is being opened), and its tooltip, which the Sound window shows in full. `cueUnheard`:
// a deck is on the headphones while no headphone output is chosen, which the footer says when the sound
// itself is fine.
struct Notice {
    QString text;
    QString tip;
};
Notice notice(const platform::media::AudioEngine::Status& status, bool cueUnheard = false);

} // namespace soundchoice

} // namespace player
