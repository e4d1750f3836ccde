#include "ui/progressbar.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "core/twips.h"

namespace platform {

short buttonCode(Qt::MouseButton b) {
    switch (b) {
    case Qt::LeftButton:
        return 1;
    case Qt::RightButton:
        return 2;
    case Qt::MiddleButton:
        return 4;
    default:
        return 0;
    }
}

short shiftCode(Qt::KeyboardModifiers m) {
    short s = 0;
    if (m & Qt::ShiftModifier)
        s |= 1;
    if (m & Qt::ControlModifier)
        s |= 2;
    if (m & Qt::AltModifier)
        s |= 4;
    return s;
}

// The bar paints every pixel it owns, so what lies beneath it is never repainted for it.
ProgressBar::ProgressBar(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ProgressBar::setMax(float m) {
    const int before = filledPixels();
    m_max = m;
    repaintFill(before);
}

void ProgressBar::setValue(float v) {
    const int before = filledPixels();
    m_value = v;
    repaintFill(before);
}

// A song moves its bar by a pixel only every second or so, while the display tick writes it 30 times a
// second: only a fill that grew or shrank on screen is repainted, and only the strip that changed.
void ProgressBar::repaintFill(int before) {
    const int after = filledPixels();
    if (after == before)
        return;
    update(QRect(1 + std::min(before, after), 1, std::abs(after - before), height() - 2));
}

int ProgressBar::filledPixels() const {
    return static_cast<int>(std::lround(fraction() * std::max(0, width() - 2)));
}

void ProgressBar::setBarColor(const QColor& c) {
    m_barColor = c;
    update();
}

double ProgressBar::fraction() const {
    if (!(m_max > 0) || !std::isfinite(m_value))
        return 0;
    return std::clamp(static_cast<double>(m_value) / m_max, 0.0, 1.0);
}

double ProgressBar::widthTwips() const {
    return pixelsToTwips(width());
}

void ProgressBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect r = rect();
    p.fillRect(r, QColor(18, 18, 22));
    const int filled = filledPixels();
    if (filled > 0)
        p.fillRect(QRect(1, 1, filled, r.height() - 2), m_barColor);
    p.setPen(QColor(70, 70, 80));
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

void ProgressBar::mousePressEvent(QMouseEvent* e) {
    const QPointF pos = e->position();
    emit mouseDown(buttonCode(e->button()), shiftCode(e->modifiers()),
                   static_cast<float>(pixelsToTwips(pos.x())), static_cast<float>(pixelsToTwips(pos.y())));
}

} // namespace platform
