#pragma once

namespace player {

// The main window's display and caption-scroll timers tick about 30 times a second: a caption moving 50 twips
// a tick then scrolls about 100 pixels a second, the position bars move smoothly, and an idle window costs
// next to no processor time. Everything paced by these timers counts ticks, never wall-clock time.
inline constexpr int kTicksPerSecond = 30;
inline constexpr int kTickIntervalMs = 1000 / kTicksPerSecond;
// Where the captions have a beat of their own (X11), the display tick rests at this pace while no deck plays,
// no bar moves and nothing records.
inline constexpr int kRestingTickMs = 500;

} // namespace player
