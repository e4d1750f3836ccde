#include "ui/slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

namespace platform {

namespace {

// Sets a flag for the length of a user action, so value changes inside it count as the user's.
class UserAction {
public:
    explicit UserAction(bool& flag) : m_flag(flag) { m_flag = true; }
    ~UserAction() { m_flag = false; }

private:
    bool& m_flag;
};

} // namespace

Slider::Slider(Qt::Orientation orientation, QWidget* parent) : QAbstractSlider(parent) {
    setOrientation(orientation);
    setFocusPolicy(Qt::StrongFocus);
    setTracking(true);
}

void Slider::setBackColor(OleColor c) {
    m_backColor = c;
    update();
}

void Slider::setRailPicture(const QPixmap& p) {
    m_rail = p;
    update();
}

void Slider::setThumbPicture(const QPixmap& p) {
    m_thumb = p;
    update();
}

QSize Slider::thumbSize() const {
    if (!m_thumb.isNull())
        return m_thumb.deviceIndependentSize().toSize();
    return orientation() == Qt::Horizontal ? QSize(9, std::max(1, height() - 2))
                                           : QSize(std::max(1, width() - 2), 9);
}

int Slider::span() const {
    const QSize t = thumbSize();
    return orientation() == Qt::Horizontal ? std::max(0, width() - t.width())
                                           : std::max(0, height() - t.height());
}

int Slider::positionForValue(int v) const {
    const QSize t = thumbSize();
    const int half = (orientation() == Qt::Horizontal ? t.width() : t.height()) / 2;
    const int offset =
        QStyle::sliderPositionFromValue(minimum(), maximum(), v, span(), orientation() == Qt::Vertical);
    return offset + half;
}

int Slider::valueForPosition(int pos) const {
    const QSize t = thumbSize();
    const int half = (orientation() == Qt::Horizontal ? t.width() : t.height()) / 2;
    return QStyle::sliderValueFromPosition(minimum(), maximum(), pos - half, span(),
                                           orientation() == Qt::Vertical);
}

QRect Slider::thumbRect() const {
    const QSize t = thumbSize();
    const int p = positionForValue(sliderPosition());
    if (orientation() == Qt::Horizontal)
        return QRect(p - t.width() / 2, (height() - t.height()) / 2, t.width(), t.height());
    return QRect((width() - t.width()) / 2, p - t.height() / 2, t.width(), t.height());
}

void Slider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), toQColor(m_backColor, palette()));
    const QSize t = thumbSize();
    if (!m_rail.isNull()) {
        p.drawPixmap(rect(), m_rail);
    } else {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 20, 20));
        if (orientation() == Qt::Horizontal)
            p.drawRect(QRect(t.width() / 2, height() / 2 - 2, width() - t.width(), 4));
        else
            p.drawRect(QRect(width() / 2 - 2, t.height() / 2, 4, height() - t.height()));
    }
    const QRect r = thumbRect();
    if (!m_thumb.isNull()) {
        p.drawPixmap(r.topLeft(), m_thumb);
    } else {
        p.setPen(QColor(30, 30, 30));
        p.setBrush(hasFocus() ? QColor(235, 170, 60) : QColor(200, 200, 205));
        p.drawRoundedRect(r.adjusted(0, 0, -1, -1), 2, 2);
    }
}

void Slider::moveTo(const QPoint& pt) {
    const int pos = orientation() == Qt::Horizontal ? pt.x() : pt.y();
    setSliderPosition(valueForPosition(pos));
}

void Slider::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) {
        e->ignore();
        return;
    }
    UserAction u(m_userAction);
    m_dragging = true;
    setSliderDown(true);
    moveTo(e->position().toPoint());
}

void Slider::mouseMoveEvent(QMouseEvent* e) {
    if (!m_dragging)
        return;
    UserAction u(m_userAction);
    moveTo(e->position().toPoint());
}

void Slider::mouseReleaseEvent(QMouseEvent* e) {
    if (!m_dragging)
        return;
    UserAction u(m_userAction);
    m_dragging = false;
    moveTo(e->position().toPoint());
    setSliderDown(false);
}

void Slider::keyPressEvent(QKeyEvent* e) {
    UserAction u(m_userAction);
    QAbstractSlider::keyPressEvent(e);
}

void Slider::wheelEvent(QWheelEvent* e) {
    UserAction u(m_userAction);
    QAbstractSlider::wheelEvent(e);
}

void Slider::sliderChange(SliderChange change) {
    QAbstractSlider::sliderChange(change);
    if (change == SliderValueChange && m_userAction)
        emit changed();
    update();
}

} // namespace platform
