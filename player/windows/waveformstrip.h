#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <memory>
#include <utility>

namespace platform::analysis {
class Waveform;
}

namespace player {

// One deck's song scrolling past a play head fixed in the middle: the three bands in the skin's colours over
// the peak's outline, and the song's beat grid as thin ticks along the edges. The picture is laid out in
// whole pixels of the song (pixel p shows the song from p / pixelsPerSecond on), so while the song moves the
// picture only slides, and a frame is redrawn only when it slid by a pixel or more of the song came in.
class WaveformStrip : public QWidget {
    Q_OBJECT
public:
    WaveformStrip(QColor accent, QWidget* parent);
    ~WaveformStrip() override;

    // The song's waveform, filling in or whole; null for a deck without a song.
    void setWaveform(std::shared_ptr<const platform::analysis::Waveform> waveform);
    // Seconds of the song across the strip's width.
    void setSecondsAcross(double seconds);
    double secondsAcross() const { return m_secondsAcross; }
    // The moment heard now goes under the play head.
    void showMoment(double seconds);
    double moment() const { return m_moment; }
    // A repaint is asked for only when what the strip shows changed.
    void refresh();

    // The strip's scale in its own (device) pixels.
    double devicePixelsPerSecond() const;
    // The song pixel under the play head, as last drawn (for tests).
    long long headPixel() const { return m_headPixel; }

    // Draws the strip into `image` (device pixels) as the widget shows it: the picture around `seconds`, the
    // play head, and the analysis' state. Also what the widget paints with.
    static void render(QImage& image, const platform::analysis::Waveform* waveform, double seconds,
                       double secondsAcross, const QColor& accent);

signals:
    // The wheel turned over the strip: positive steps zoom in.
    void zoomAsked(int steps);

protected:
    void paintEvent(QPaintEvent*) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    // What the last frame showed, to tell whether another is needed.
    struct Shown {
        long long head = 0;
        int ready = -1;
        int state = -1;
        int progress = -1;
        double across = 0;
        std::pair<double, double> grid; // the beat grid's tempo and first beat, a tapped tempo redraws
        bool operator==(const Shown&) const = default;
    };
    Shown wanted() const;

    QColor m_accent;
    std::shared_ptr<const platform::analysis::Waveform> m_waveform;
    double m_secondsAcross = 10;
    double m_moment = 0;
    Shown m_shown;
    bool m_painted = false;
    long long m_headPixel = 0;
    QImage m_frame;
    int m_wheelRest = 0; // eighths of a degree the wheel turned short of a step
};

} // namespace player
