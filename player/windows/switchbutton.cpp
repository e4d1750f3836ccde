#include "switchbutton.h"

#include <QPainter>

#include "skin.h"

namespace player {

SwitchButton::SwitchButton(mainlayout::Item item, QWidget* parent) : ImageButton(parent), m_item(item) {}

void SwitchButton::setOn(bool on) {
    if (m_on == on)
        return;
    m_on = on;
    update();
}

void SwitchButton::setScale(qreal scale) {
    m_scale = scale;
    m_lit = QPixmap();
    update();
}

void SwitchButton::paintEvent(QPaintEvent* e) {
    if (m_on) {
        if (m_lit.isNull() || m_lit.devicePixelRatio() != devicePixelRatioF())
            m_lit = skin::switchFace(m_item, true, devicePixelRatioF(), m_scale);
        QPainter(this).drawPixmap(0, 0, m_lit);
    }
    ImageButton::paintEvent(e);
}

} // namespace player
