#pragma once

#include <string>

namespace platform::media {

// What the host program tells the engine when it starts it; the engine knows nothing else of its host.
struct EngineOptions {
    // Begins the engine's one line on standard error ("<name>: no sound device; ..."); no prefix when empty.
    std::string name;
    // Frames per device period, held to 256..2048.
    int period = 512;
};

} // namespace platform::media
