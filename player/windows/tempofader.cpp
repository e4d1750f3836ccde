#include "tempofader.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "console/temporules.h"

namespace player {

namespace {
constexpr double kCap = 9; // the cap's height at scale 1
} // namespace

TempoFader::TempoFader(QColor accent, QWidget* parent) : QWidget(parent), m_accent(accent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::SizeVerCursor);
}

void TempoFader::setValue(int value) {
    value = std::clamp(value, -temporules::kFaderSteps, temporules::kFaderSteps);
    if (value == m_value)
        return;
    m_value = value;
    update();
}

double TempoFader::travel() const {
    return std::max(1.0, height() / 2.0 - kCap * m_scale / 2 - 2);
}

void TempoFader::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double cx = width() / 2.0, cy = height() / 2.0, t = travel();
    // The slot, and the centre's mark across it.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(6, 7, 8));
    p.drawRoundedRect(QRectF(cx - 2, cy - t - 2, 4, 2 * t + 4), 2, 2);
    p.setPen(QPen(QColor(96, 102, 112), 1));
    p.drawLine(QPointF(1, cy), QPointF(width() - 1, cy));
    // Below the centre is faster: the cap sits there for a tempo above the song's.
    const double y = cy - m_value * t / temporules::kFaderSteps;
    const double capH = kCap * m_scale;
    const QRectF cap(1.5, y - capH / 2, width() - 3, capH);
    p.setPen(QPen(QColor(5, 6, 7), 1));
    p.setBrush(m_value == 0 ? QColor(150, 156, 166) : m_accent);
    p.drawRoundedRect(cap, 2, 2);
    p.setPen(QPen(QColor(20, 22, 26), 1));
    p.drawLine(QPointF(cap.left() + 2, y), QPointF(cap.right() - 2, y));
}

void TempoFader::mousePressEvent(QMouseEvent* e) {
    m_pressY = e->position().y();
    m_pressValue = m_value;
    e->accept();
}

void TempoFader::mouseMoveEvent(QMouseEvent* e) {
    if (!(e->buttons() & Qt::LeftButton))
        return;
    const double dy = e->position().y() - m_pressY;
    const int to = std::clamp(int(std::lround(m_pressValue - dy * temporules::kFaderSteps / travel())),
                              -temporules::kFaderSteps, temporules::kFaderSteps);
    emit moved(to);
}

void TempoFader::mouseDoubleClickEvent(QMouseEvent* e) {
    emit resetAsked();
    e->accept();
}

void TempoFader::wheelEvent(QWheelEvent* e) {
    m_wheelRest += e->angleDelta().y();
    const int notches = m_wheelRest / 120;
    m_wheelRest -= notches * 120;
    if (notches != 0)
        emit turned(notches);
    e->accept();
}

} // namespace player
