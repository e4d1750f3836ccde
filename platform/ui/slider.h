#pragma once

#include <QAbstractSlider>
#include <QPixmap>

#include "core/colours.h"

namespace platform {

// The slider component: a whole-number range, horizontal or vertical (maximum at the top), a background
// colour and optional rail and thumb pictures. `changed` fires only when the user moves it; setting the value
// from code is silent, so a program can show stored positions without applying them.
class Slider : public QAbstractSlider {
    Q_OBJECT
public:
    explicit Slider(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

    void setBackColor(OleColor c);
    OleColor backColor() const { return m_backColor; }
    void setRailPicture(const QPixmap& p);
    void setThumbPicture(const QPixmap& p);
    QPixmap thumbPicture() const { return m_thumb; }

    // Where the thumb's centre stands for `value`, in pixels along the slider's long side.
    int positionForValue(int value) const;
    int valueForPosition(int pos) const;
    QRect thumbRect() const;

signals:
    void changed();

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void sliderChange(SliderChange change) override;

private:
    QSize thumbSize() const;
    int span() const;
    void moveTo(const QPoint& p);

    OleColor m_backColor = kButtonFace;
    QPixmap m_rail;
    QPixmap m_thumb;
    bool m_userAction = false;
    bool m_dragging = false;
};

} // namespace platform
