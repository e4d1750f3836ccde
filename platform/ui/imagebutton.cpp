#include "ui/imagebutton.h"

#include <QMouseEvent>
#include <QPainter>

#include "ui/progressbar.h"

namespace platform {

ImageButton::ImageButton(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
}

void ImageButton::paintEvent(QPaintEvent*) {
    if (!m_hover && !m_pressed)
        return;
    QPainter p(this);
    p.fillRect(rect(), m_pressed ? QColor(255, 255, 255, 60) : QColor(255, 255, 255, 28));
}

void ImageButton::mousePressEvent(QMouseEvent* e) {
    emit mouseDown(buttonCode(e->button()), shiftCode(e->modifiers()), e->position().toPoint().x(),
                   e->position().toPoint().y());
    if (e->button() == Qt::LeftButton) {
        m_pressed = true;
        update();
    }
}

void ImageButton::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    update();
    if (rect().contains(e->position().toPoint()))
        emit clicked();
}

void ImageButton::enterEvent(QEnterEvent*) {
    m_hover = true;
    update();
}

void ImageButton::leaveEvent(QEvent*) {
    m_hover = false;
    update();
}

} // namespace platform
