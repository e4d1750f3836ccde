#include "knob.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QWheelEvent>
#include <cmath>
#include <numbers>

#include "skin.h"

namespace player {

Knob::Knob(knobrules::Kind kind, QColor accent, QString name, QWidget* parent)
    : QWidget(parent), m_kind(kind), m_accent(accent), m_name(std::move(name)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setCursor(Qt::SizeVerCursor);
    retip();
}

void Knob::setValue(double value) {
    if (value == m_value)
        return;
    m_value = value;
    retip();
    update();
}

void Knob::setKilled(bool killed) {
    if (killed == m_killed)
        return;
    m_killed = killed;
    retip();
    update();
}

void Knob::setKeys(const QString& keys) {
    m_keys = keys;
    retip();
}

void Knob::retip() {
    QString tip = tr("%1: %2\nDrag up or down, or turn the wheel; a double-click centres it")
                      .arg(m_name, knobrules::valueText(m_kind, m_value, m_killed));
    if (!m_keys.isEmpty())
        tip += tr("\nKeys: %1").arg(m_keys);
    setToolTip(tip);
}

void Knob::turn(double value) {
    if (value == m_value)
        return;
    setValue(value);
    emit turned(value);
}

void Knob::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_pressY = e->position().y();
    m_pressValue = m_value;
}

void Knob::mouseMoveEvent(QMouseEvent* e) {
    if (m_dragging)
        turn(knobrules::dragged(m_pressValue, m_pressY - e->position().y()));
}

void Knob::mouseReleaseEvent(QMouseEvent*) {
    m_dragging = false;
}

void Knob::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        turn(0);
}

void Knob::wheelEvent(QWheelEvent* e) {
    const QPoint delta = e->angleDelta();
    const int along = std::abs(delta.y()) >= std::abs(delta.x()) ? delta.y() : -delta.x();
    if (along != 0)
        turn(knobrules::wheeled(m_value, along / 120.0));
    e->accept();
}

void Knob::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height()) - 2.0;
    const QRectF dial((width() - side) / 2, (height() - side) / 2, side, side);
    const QPointF c = dial.center();
    const double ring = std::max(2.0, side / 9);
    const QRectF arc = dial.adjusted(ring / 2, ring / 2, -ring / 2, -ring / 2);
    // The track of the whole sweep, then the way from the centre to the value.
    const int sweep = int(knobrules::kSweepDegrees * 16);
    p.setPen(QPen(QColor(30, 32, 37), ring, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(arc, (90 - int(knobrules::kSweepDegrees)) * 16, 2 * sweep);
    const double a = knobrules::angle(m_value);
    const QColor lit = m_killed ? skin::warningColour().darker(160) : m_accent;
    if (m_value != 0) {
        p.setPen(QPen(lit, ring, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(arc, 90 * 16, -int(std::lround(a * 16)));
    }
    // The cap: a dark dome with a pointer.
    const QRectF cap = dial.adjusted(ring + 1.5, ring + 1.5, -ring - 1.5, -ring - 1.5);
    QRadialGradient dome(cap.center() - QPointF(cap.width() / 5, cap.height() / 5), cap.width() * 0.7);
    dome.setColorAt(0, QColor(74, 79, 88));
    dome.setColorAt(1, QColor(28, 30, 35));
    p.setPen(QPen(QColor(5, 6, 7), 1));
    p.setBrush(dome);
    p.drawEllipse(cap);
    const double rad = a * std::numbers::pi / 180;
    const QPointF towards(std::sin(rad), -std::cos(rad));
    p.setPen(QPen(m_killed ? QColor(120, 124, 132) : QColor(236, 238, 242), std::max(1.5, side / 14),
                  Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + towards * (cap.width() * 0.12), c + towards * (cap.width() / 2 - 1));
}

KillSquare::KillSquare(const QString& tip, QWidget* parent) : QAbstractButton(parent) {
    setCheckable(true);
    setToolTip(tip);
    setCursor(Qt::PointingHandCursor);
}

void KillSquare::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height()) - 1.0;
    const QRectF box((width() - side) / 2, (height() - side) / 2, side, side);
    p.setPen(QPen(QColor(5, 6, 7), 1));
    p.setBrush(isChecked() ? skin::warningColour() : QColor(48, 30, 28));
    p.drawRoundedRect(box, 1.5, 1.5);
}

Lamp::Lamp(QString word, QColor lit, QWidget* parent)
    : QWidget(parent), m_word(std::move(word)), m_colour(lit) {
    setAttribute(Qt::WA_TranslucentBackground);
}

void Lamp::setLit(bool lit) {
    if (lit == m_lit)
        return;
    m_lit = lit;
    update();
}

void Lamp::setScale(double scale) {
    m_scale = scale;
    update();
}

void Lamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.setPen(QPen(QColor(5, 6, 7), 1));
    p.setBrush(m_lit ? m_colour : QColor(36, 30, 24));
    p.drawRoundedRect(box, 2.5, 2.5);
    p.setFont(skin::uiFont(qRound(9 * m_scale), true));
    p.setPen(m_lit ? QColor(20, 14, 8) : QColor(96, 88, 80));
    p.drawText(box, Qt::AlignCenter, m_word);
}

} // namespace player
