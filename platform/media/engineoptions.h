#pragma once

#include <string>

namespace platform::media {

// What the host program tells the engine when it starts it; the engine knows nothing else of its host.
struct EngineOptions {
    // Begins the engine's one line on standard error ("<name>: no sound device; ..."), and names the program
    // to the sound server; no prefix when empty.
    std::string name;
    // Frames per device period, held to 256..2048.
    int period = 512;
    // A device id or name as AudioEngine::listDevices() gives it; empty: the desktop's sound server when one
    // answers, else PortAudio's default device, else no sound.
    std::string device;
    // The latency asked of the device, in milliseconds, held to 10..200.
    int latencyMs = 40;
};

} // namespace platform::media
