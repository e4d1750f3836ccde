#pragma once

#include <QColor>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include "console/djrules.h"

namespace platform::media {
class PeakMeter;
}

namespace player {

// A stereo level meter: a clip light on top, the left and right bars with their held peaks, a name beneath.
// Each display tick takes what the mix fed its PeakMeter; a repaint is asked for only when a bar, a held
// peak or the light moved by a pixel.
class LevelMeter : public QWidget {
    Q_OBJECT
public:
    // The window's size: the words grow with it.
    void setScale(double scale) {
        m_scale = scale;
        update();
    }
    LevelMeter(platform::media::PeakMeter& source, QColor accent, QString name, QWidget* parent);

    // `seconds` since the last tick.
    void tick(double seconds);
    const djrules::MeterBallistics& ballistics() const { return m_ballistics; }
    bool atRest() const { return m_ballistics.atRest(); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    double m_scale = 1.0;
    struct Shown {
        int level[2] = {0, 0};
        int hold[2] = {0, 0};
        bool clip = false;
        bool operator==(const Shown&) const = default;
    };
    Shown wanted() const;
    QRect barRect(int channel) const;

    platform::media::PeakMeter& m_source;
    QColor m_accent;
    QString m_name;
    djrules::MeterBallistics m_ballistics;
    Shown m_shown;
    QPixmap m_lit, m_dark; // a whole bar, lit and unlit
};

} // namespace player
