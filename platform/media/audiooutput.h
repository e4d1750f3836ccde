#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/audioengine.h"

namespace platform::media {

class Mixer;

// An output that the engine drives: it asks the mixer for frames from its own thread. Opened, started,
// watched and stopped by the device keeper's thread only.
class AudioOutput {
public:
    virtual ~AudioOutput() = default;
    // Starts calling back; false when the output cannot run.
    virtual bool start() = 0;
    virtual void stop() = 0;
    // False once the library reported an error or the stream died; the keeper asks this beside watching
    // whether audio is taken at all. Must answer at once: a library that is busy elsewhere counts as healthy
    // for this look.
    virtual bool healthy() { return true; }
    // Pauses the stream while nothing plays, so that an idle program costs no more than on the null output,
    // and resumes it. A resting output is not judged by its silence.
    virtual void rest(bool) {}
    virtual bool resting() const { return false; }
    // The device's name, for the user.
    virtual std::string name() const { return {}; }
    // Times the device ran dry (the server's underflow reports); 0 where the library does not tell.
    virtual uint64_t underflows() const { return 0; }
    // Channels of the device's frames: 2, or 4 when it carries the headphone mix on 3-4.
    virtual int channels() const { return 2; }
    // Who this output mixes as; the keeper sets it before start() (see Mixer::handOverTo) and the output
    // passes it to every process().
    uint32_t mixer = 0;
};

// Calls `process` at real-time pace from a thread of its own; what runs when there is no sound device.
std::unique_ptr<AudioOutput> makeNullOutput(Mixer& mixer);
// What an output plays: the mix (through processDevice, with four channels when the cue routing asks for
// channels 3-4 and the device has them), or the headphone mix from the cue feed (Device routing).
enum class OutputRole { Main, Cue };
// A PortAudio device at the mixer's rate (the default one for an empty name) asked for `latencyMs`, or
// nullptr when there is none.
std::unique_ptr<AudioOutput> makePortAudioOutput(Mixer& mixer, int latencyMs, const std::string& name = {},
                                                 OutputRole role = OutputRole::Main);
// A stream on the desktop's sound server (PulseAudio, or PipeWire's PulseAudio server) to `sink` (the
// server's default for an empty name), or nullptr when no server answers in time. Never starts a server.
std::unique_ptr<AudioOutput> makePulseOutput(Mixer& mixer, int latencyMs, const std::string& sink = {},
                                             OutputRole role = OutputRole::Main);
// The start order: the sound server when one answers, else PortAudio, else nullptr.
std::unique_ptr<AudioOutput> makeDefaultOutput(Mixer& mixer, int latencyMs);
// The output a device id of listDevices() stands for ("pulse:<sink>", "portaudio:<name>").
std::unique_ptr<AudioOutput> makeOutputFor(Mixer& mixer, int latencyMs, const std::string& id,
                                           OutputRole role = OutputRole::Main);

void appendPulseDevices(std::vector<AudioEngine::DeviceInfo>& out, int timeoutMs);
void appendPortAudioDevices(std::vector<AudioEngine::DeviceInfo>& out);

} // namespace platform::media
