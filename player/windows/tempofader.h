#pragma once

#include <QColor>
#include <QWidget>

namespace player {

// A deck's tempo fader: a cap on a slot with a mark at its centre, temporules::kFaderSteps either side of it.
// It only shows and tells: a drag moves the cap from where it was (a press does not jump it), the wheel
// turns it in steps, a double-click asks for the centre.
class TempoFader : public QWidget {
    Q_OBJECT
public:
    TempoFader(QColor accent, QWidget* parent);

    // Repaints only on a change.
    void setValue(int value);
    int value() const { return m_value; }
    void setScale(double scale) {
        m_scale = scale;
        update();
    }

signals:
    // The cap was dragged to `value` (the fader shows it once the console has it).
    void moved(int value);
    // Wheel notches, positive up.
    void turned(int notches);
    void resetAsked();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    // Pixels from the centre to either end of the cap's travel.
    double travel() const;

    QColor m_accent;
    int m_value = 0;
    double m_scale = 1.0;
    double m_pressY = 0;
    int m_pressValue = 0;
    int m_wheelRest = 0;
};

} // namespace player
