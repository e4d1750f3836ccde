#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <memory>

namespace platform::analysis {
class Waveform;
}

namespace player {

// A deck's whole song in one strip: the peak's outline from start to end, the part played shaded, the play
// position marked. A press anywhere on it is told in twips, as a press on a position bar is, so the deck
// seeks by the same rule.
class OverviewStrip : public QWidget {
    Q_OBJECT
public:
    OverviewStrip(QColor accent, QWidget* parent);
    ~OverviewStrip() override;

    void setWaveform(std::shared_ptr<const platform::analysis::Waveform> waveform);
    // `length` 0: no song.
    void showPosition(double seconds, double length);
    // The device pixel where the played part ends, as last drawn (for tests).
    int playedEdge() const { return m_shown.edge; }

signals:
    // Any mouse button, at `x` twips from the left of a strip `widthTwips` wide.
    void pressed(float x, float widthTwips);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    struct Shown {
        int edge = -1;
        int ready = -1;
        bool complete = false;
        double length = 0;
        bool operator==(const Shown&) const = default;
    };
    Shown wanted() const;
    void drawSong(const QSize& device, qreal dpr);

    QColor m_accent;
    std::shared_ptr<const platform::analysis::Waveform> m_waveform;
    double m_position = 0;
    double m_length = 0;
    Shown m_shown;
    bool m_painted = false;
    // The song's outline, remade only as more of the song comes in.
    QImage m_song;
    int m_songReady = -1;
    double m_songLength = -1;
    bool m_songComplete = false; // the silent ends are known once the song is
};

} // namespace player
