#include "captionlabel.h"

#include <QPainter>

CaptionLabel::CaptionLabel(QWidget* parent) : QLabel(parent) {}

void CaptionLabel::paintEvent(QPaintEvent*) {
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = size() * dpr;
    if (m_picture.isNull() || m_pictureText != text() || m_pictureSize != pixels) {
        m_picture = QPixmap(pixels);
        m_picture.setDevicePixelRatio(dpr);
        m_picture.fill(Qt::transparent);
        QPainter p(&m_picture);
        p.setFont(font());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter, text());
        m_pictureText = text();
        m_pictureSize = pixels;
    }
    QPainter(this).drawPixmap(0, 0, m_picture);
}
