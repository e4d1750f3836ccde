#pragma once

#include <QElapsedTimer>
#include <QPixmap>
#include <QWidget>
#include <array>
#include <memory>

namespace platform::analysis {
class AnalysisService;
class Waveform;
} // namespace platform::analysis
namespace platform::media {
class AudioEngine;
}

namespace player {

class Console;
class DeckState;
class Lamp;
class LevelMeter;
class OverviewStrip;
class SoundStrip;
class TempoButtons;
class TempoFader;
class WaveformStrip;

// The DJ view beneath the main window's face: both decks' waveforms scrolling in parallel, and per deck its
// state, its whole song, its tempo fader, its knobs and its level, with the master's level and limiter light
// between them. It only shows: every command goes through the console (a press on an overview is told to the
// window, which seeks as its position bars do). The analysis is the window's: the console has it analyse
// every song loaded, open view or not.
class DjView : public QWidget {
    Q_OBJECT
public:
    // `analysis` outlives the view.
    DjView(Console& console, platform::media::AudioEngine& engine,
           platform::analysis::AnalysisService& analysis, QWidget* parent);
    ~DjView() override;

    // One display tick: follows the decks, takes the meters' readings, and repaints what changed.
    void tick();
    // Nothing moves any more: no deck plays and every meter has fallen.
    bool atRest() const;

    // Seconds of song across the waveform strips (one of djrules::kZoomLadder).
    double zoom() const { return m_zoom; }
    void setZoom(double seconds);
    // `steps` rungs closer (positive) or farther; tells zoomChanged when the zoom moved.
    void zoomBy(int steps);
    // Outlines the places kept for the controls to come, with their names: the view's sketch.
    void setSketch(bool on);
    // The main window's size, 1 at 100 %: every place and word follows it.
    void setScale(double scale);

    WaveformStrip* wave(int deck) const { return m_wave[deck]; }
    OverviewStrip* overview(int deck) const { return m_overview[deck]; }
    DeckState* state(int deck) const { return m_state[deck]; }
    LevelMeter* meter(int deck) const { return m_meter[deck]; }
    LevelMeter* masterMeter() const { return m_master; }
    SoundStrip* sound(int deck) const { return m_sound[deck]; }
    Lamp* limiterLight() const { return m_limiter; }
    TempoFader* tempoFader(int deck) const { return m_fader[deck]; }
    TempoButtons* tempoButtons(int deck) const { return m_tempoButtons[deck]; }
    // What deck `deck`'s strips show; null without a song, or while the view has not been open since it came.
    std::shared_ptr<const platform::analysis::Waveform> waveform(int deck) const { return m_picture[deck]; }

signals:
    // A press on deck `deck`'s overview, at `x` twips of a strip `widthTwips` wide.
    void overviewPressed(int deck, float x, float widthTwips);
    // The keys or the wheel over a strip moved the zoom.
    void zoomChanged(double seconds);

protected:
    void paintEvent(QPaintEvent*) override;
    void showEvent(QShowEvent*) override;

private:
    // Asks the analysis for what deck `deck` holds now.
    void follow(int deck);
    // The tempo fader and buttons show what the console holds.
    void showTempo(int deck);

    Console& m_console;
    platform::media::AudioEngine& m_engine;
    platform::analysis::AnalysisService& m_analysis;
    std::array<QString, 2> m_path;
    std::array<std::shared_ptr<const platform::analysis::Waveform>, 2> m_picture;
    std::array<WaveformStrip*, 2> m_wave{};
    std::array<OverviewStrip*, 2> m_overview{};
    std::array<DeckState*, 2> m_state{};
    std::array<LevelMeter*, 2> m_meter{};
    std::array<TempoFader*, 2> m_fader{};
    std::array<TempoButtons*, 2> m_tempoButtons{};
    LevelMeter* m_master = nullptr;
    std::array<SoundStrip*, 2> m_sound{};
    Lamp* m_limiter = nullptr;
    double m_zoom;
    double m_scale = 1.0;
    bool m_sketch = false;
    QPixmap m_background;
    QElapsedTimer m_sinceTick;
};

} // namespace player
