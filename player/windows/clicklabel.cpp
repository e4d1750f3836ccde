#include "clicklabel.h"

#include <QMouseEvent>

#include "ui/progressbar.h"

namespace player {

ClickLabel::ClickLabel(QWidget* parent) : QLabel(parent) {}

void ClickLabel::mousePressEvent(QMouseEvent* e) {
    m_pressed = e->button() == Qt::LeftButton;
    const QPoint p = e->position().toPoint();
    emit mouseDown(platform::buttonCode(e->button()), platform::shiftCode(e->modifiers()), p.x(), p.y());
}

void ClickLabel::mouseReleaseEvent(QMouseEvent* e) {
    const bool wasPressed = m_pressed;
    m_pressed = false;
    if (wasPressed && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit clicked();
}

} // namespace player
