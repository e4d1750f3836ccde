#pragma once

#include <QColor>
#include <QWidget>

namespace platform {

// The progress bar component: lower end 0, upper end and value as single-precision numbers (a song's length
// in seconds is fractional). A press on it reports the button, the shift state and x, y in twips relative to
// the bar.
class ProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit ProgressBar(QWidget* parent = nullptr);

    float max() const { return m_max; }
    float value() const { return m_value; }
    // A value beyond the ends is kept as given and drawn clamped, so the caller can write the two in any
    // order. Writing a value that leaves the fill where it was on screen paints nothing.
    void setMax(float m);
    void setValue(float v);
    void setBarColor(const QColor& c);
    // The filled share of the bar, 0 to 1.
    double fraction() const;
    // The bar's width in twips, the unit of the x the press reports.
    double widthTwips() const;

signals:
    void mouseDown(short button, short shift, float x, float y);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    int filledPixels() const;
    void repaintFill(int before);

    float m_max = 100;
    float m_value = 0;
    QColor m_barColor{50, 180, 230};
};

// Button and shift codes of a press: left 1, right 2, middle 4; shift 1, control 2, alt 4.
short buttonCode(Qt::MouseButton b);
short shiftCode(Qt::KeyboardModifiers m);

} // namespace platform
