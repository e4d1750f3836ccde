#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace platform::analysis {

// The first and last audible moment of a song: where its level rises above about -60 dBFS for longer than a
// click or a crackle lasts, and where it last falls below it.
class AudibleBounds {
public:
    AudibleBounds(int rate, int channels);

    void add(const float* frames, int count);
    // A last window shorter than the others counts too.
    void finish();

    // Frames from the song's start; empty when nothing in it was audible for long enough.
    std::optional<int64_t> startFrame() const { return m_start; }
    // The frame just after the last audible one.
    std::optional<int64_t> endFrame() const { return m_end; }

private:
    struct Window {
        bool audible = false;
        int64_t firstLoud = -1; // the first and last frame at or above the threshold, -1 for none
        int64_t lastLoud = -1;
    };
    void closeWindow();

    int m_channels;
    int m_windowFrames;
    int m_runNeeded; // windows in a row that make a sound more than a click
    int64_t m_frame = 0;

    int m_fill = 0;
    std::vector<double> m_energy; // per channel, over the window filling
    Window m_current, m_previous;

    int m_run = 0;
    int64_t m_runStart = -1;
    bool m_afterAudibleRun = false; // the window before the current one closed an audible run
    std::optional<int64_t> m_start, m_end;
};

} // namespace platform::analysis
